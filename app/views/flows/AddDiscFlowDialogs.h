#pragma once

namespace kavro {

class TfrmAddModel;

// How the flows show their windows. The program shows TfrmAdd and TfrmAddType modally; tests
// act on the model instead.
class AddDiscFlowDialogs {
public:
    virtual ~AddDiscFlowDialogs() = default;

    // Shows the disc dialog over the model and returns once it has closed.
    virtual void showDiscDialog(TfrmAddModel& model) = 0;

    // The chooser "ADD DISC": 0 cancelled, 1 a new disc, 2 a new category.
    virtual int showAddTypeDialog() = 0;
};

} // namespace kavro
