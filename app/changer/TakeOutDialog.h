#pragma once

#include "changer/ChangerTime.h"

#include <string>

namespace kavro {

// What the take-out dialog (TfrmRetrieve) hands back.
struct TakeOutAnswer {
    enum Result { None = 0, Execute = 1, Abandon = 2 };
    // Execute ("執行"), Abandon ("放棄"), None when closed any other way.
    int result = None;
    // The operation chosen: take out ("取出") or put in ("置放", selected when it opens).
    bool takeOut = false;
    std::string reason;
    // The date field: the date chosen, with the time the dialog was made.
    LocalDateTime when;
};

// The take-out dialog as the flow sees it; the window shows TfrmRetrieve, tests answer from a
// script.
class TakeOutDialog {
public:
    virtual ~TakeOutDialog() = default;
    // Shows the disc's title, the machine's name and the slot and waits for the person.
    virtual TakeOutAnswer ask(const std::string& machineName, int slot, const std::string& title) = 0;
};

} // namespace kavro
