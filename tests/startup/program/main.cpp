// Kavro as the tests run it: the program itself, with the seams of a run taken from the
// environment. Only the tests build this; the shipped program reads none of these switches.
//   KAVRO_TEST_BOXES=<file or ->   message boxes recorded (and answered) instead of shown
//   KAVRO_TEST_CLOSE_AFTER_MS=<n>  the main window closes itself n ms after it is shown
//   KAVRO_REGISTRY_ROOT=<folder>   the registry store used instead of the built-in one
#include "KavroProgram.h"

#include <cstdlib>
#include <string>

namespace {

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

int main(int argc, char** argv)
{
    kavro::StartUpFlow::Seams seams;
    seams.recordBoxesTo = environmentValue("KAVRO_TEST_BOXES");
    if (const std::string close = environmentValue("KAVRO_TEST_CLOSE_AFTER_MS"); !close.empty())
        seams.closeAfterMs = std::atoi(close.c_str());
    seams.registryRoot = environmentValue("KAVRO_REGISTRY_ROOT");
    return kavro::RunKavroProgram(argc, argv, std::move(seams));
}
