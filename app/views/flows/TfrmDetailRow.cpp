#include "views/flows/TfrmDetailRow.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "changer/ChangerContext.h"
#include "platform/Text.h"

namespace kavro {

DriveDetail FindDriveDetail(ChangerContext& ctx, Catalogue& catalogue)
{
    DriveDetail detail;
    ctx.driveCheck->start();
    const std::string& name = ctx.display.machineNameText();
    const int machine = ctx.machines.MachineByName(name);
    if (machine == 0)
        return detail;

    const int slot = ctx.torvex.USBCDGetDriveCD(machine);
    if (slot == 0) {
        ctx.display.setDriveButtonsEnabled(false);
        detail.step = DriveDetailStep::EmptyDrive;
        return detail;
    }
    if (!LocateDisc(catalogue, machine, slot)) {
        detail.step = DriveDetailStep::NoRecord;
        return detail;
    }
    DiscCursor& cursor = catalogue.discCursor();
    detail.step = DriveDetailStep::Found;
    detail.row.title = text::trimSpaces(cursor.text("TitleA"));
    detail.row.machineName = ctx.machines.MachineName(machine);
    detail.row.slot = slot;
    detail.row.category = text::trimSpaces(cursor.text("Categoryname"));
    return detail;
}

} // namespace kavro
