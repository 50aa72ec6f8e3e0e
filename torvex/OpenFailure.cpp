#include "torvex/Transport.h"

namespace torvex {

std::string openFailureText(const OpenFailure& failure)
{
    switch (failure.kind) {
    case OpenFailure::Kind::AccessDenied:
        return "permission denied";
    case OpenFailure::Kind::Gone:
        return "unplugged while being opened";
    case OpenFailure::Kind::Busy:
        return "held by another program";
    case OpenFailure::Kind::Other:
        return failure.detail.empty() ? std::string("the system refused") : failure.detail;
    case OpenFailure::Kind::Unknown:
        break;
    }
    return "reason unknown";
}

std::string openFailureFix(const OpenFailure& failure)
{
    switch (failure.kind) {
    case OpenFailure::Kind::AccessDenied:
        // The rule of packaging/ gives the seat's user (uaccess) and the group plugdev the node.
        return "install the udev rule (sudo install -m 644 packaging/70-kavro-changer.rules "
               "/etc/udev/rules.d/ && sudo udevadm control --reload-rules && sudo udevadm trigger; "
               "the Debian package installs it), then plug the cabinet in again; without a local "
               "seat (ssh) also join the group plugdev (sudo usermod -aG plugdev $USER) and log in again";
    case OpenFailure::Kind::Gone:
        return "plug it in again";
    case OpenFailure::Kind::Busy:
        return "close the other program that uses the cabinet";
    case OpenFailure::Kind::Other:
    case OpenFailure::Kind::Unknown:
        break;
    }
    return {};
}

} // namespace torvex
