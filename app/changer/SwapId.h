#pragma once

#include "catalogue/database/DbResult.h"

#include <string>
#include <utility>
#include <vector>

namespace kavro {

class Catalogue;
struct ChangerContext;

// The swap dialog (TfrmSwapID) as the flow sees it: both lists hold the given machine names in
// registry order; the answer is the source and target texts, both empty when cancelled.
class SwapIdDialog {
public:
    virtual ~SwapIdDialog() = default;
    virtual std::pair<std::string, std::string> ask(const std::vector<std::string>& machineNames) = 0;
};

// Exchanges the machine numbers a and b on every disc row, all or nothing. B's rows are parked
// on a number no row uses (negative, since machine ids are positive), A's move to B, the parked
// ones to A. Pending window events run between the statements.
DbStatus SwapMachineNumbers(Catalogue& catalogue, int a, int b);

enum class SwapOutcome {
    Unchanged, // cancelled, a name no machine has, or one machine twice
    Swapped,   // the caller closes the main window so the program starts again
    Failed,    // nothing changed; the error says why
};

struct SwapResult {
    SwapOutcome outcome = SwapOutcome::Unchanged;
    std::string error;
};

// The menu action "Swap ID" (SwapID1): asks for two registered machines, then whether to swap
// them (naming both with the discs each holds; Enter keeps them), and exchanges their machine
// numbers in the catalogue after a safety copy into Backup/.
SwapResult SwapID1(ChangerContext& ctx, SwapIdDialog& dialog);

} // namespace kavro
