#include "changer/SwapId.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueBackup.h"
#include "catalogue/database/DbCommand.h"
#include "catalogue/database/Query.h"
#include "catalogue/database/Transaction.h"
#include "changer/ChangerContext.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"

#include <cstdio>
#include <limits>

namespace kavro {

namespace {

std::string moveStatement(int to, int from)
{
    char sql[96];
    std::snprintf(sql, sizeof sql, "UPDATE KAVRO SET MachineNo=%d WHERE MachineNo=%d;", to, from);
    return sql;
}

// The first of -1, -2, ... that no disc row carries.
DbResult<int> parkingNumber(Database& db)
{
    Query probe(db);
    probe.setSql("SELECT MIN(MachineNo) AS lowest FROM KAVRO WHERE MachineNo < 0");
    if (auto s = probe.open(); !s)
        return s;
    const DbValue lowest = probe.field("lowest");
    if (lowest.isNull())
        return -1;
    const std::int64_t below = lowest.asInt64() - 1;
    if (below < std::numeric_limits<int>::min())
        return DbResult<int>::failure("No free machine number to swap through.");
    return static_cast<int>(below);
}

DbResult<int> discCount(Database& db, int machine)
{
    Query count(db);
    count.setSql("SELECT COUNT(*) AS discs FROM KAVRO WHERE MachineNo=:MACHINE");
    count.setParam("MACHINE", DbValue(machine));
    if (auto s = count.open(); !s)
        return s;
    return count.field("discs").asInt();
}

// Names both machines with the discs each holds; Enter keeps the catalogue as it is.
DbResult<bool> confirmSwap(ChangerContext& ctx, int a, int b)
{
    const auto discsA = discCount(ctx.catalogue.database(), a);
    if (!discsA)
        return discsA.status();
    const auto discsB = discCount(ctx.catalogue.database(), b);
    if (!discsB)
        return discsB.status();
    const std::string question =
        text::fillIn(ctx.text("5108", "置換 %1（%2 片光碟）與 %3（%4 片光碟）的機號嗎？"),
                     {ctx.machines.MachineName(a), std::to_string(*discsA), ctx.machines.MachineName(b),
                      std::to_string(*discsB)}) +
        "\n\n" + ctx.text("5104", "完成後程式會關閉；目前的目錄會先複製一份到 Backup 資料夾。");
    return ctx.person.messageBox(question, ctx.messageCaption, BoxIcon::Question, BoxButtons::OkCancel,
                                 BoxAnswer::Cancel) == BoxAnswer::Ok;
}

} // namespace

DbStatus SwapMachineNumbers(Catalogue& catalogue, int a, int b)
{
    Database& db = catalogue.database();
    return runInTransaction(db, [&]() -> DbStatus {
        const auto park = parkingNumber(db);
        if (!park)
            return park.status();
        DbCommand command(db);
        if (auto s = command.execute(moveStatement(*park, b)); !s)
            return s;
        catalogue.clock().processEvents();
        if (auto s = command.execute(moveStatement(b, a)); !s)
            return s;
        catalogue.clock().processEvents();
        return command.execute(moveStatement(a, *park));
    });
}

SwapResult SwapID1(ChangerContext& ctx, SwapIdDialog& dialog)
{
    std::vector<std::string> names;
    for (int i = 0; i < ctx.machines.count(); ++i)
        names.push_back(ctx.machines.MachineName(ctx.machines.MachineAt(i)));
    const auto [source, target] = dialog.ask(names);
    if (source.empty() || target.empty())
        return {};
    const int a = ctx.machines.MachineByName(source);
    const int b = ctx.machines.MachineByName(target);
    if (a == 0 || b == 0 || a == b)
        return {};
    const auto confirmed = confirmSwap(ctx, a, b);
    if (!confirmed)
        return {SwapOutcome::Failed, confirmed.error()};
    if (!*confirmed)
        return {};
    if (auto copy = BackupBeforeChange(ctx.catalogue); !copy)
        return {SwapOutcome::Failed, copy.error()};
    if (auto s = SwapMachineNumbers(ctx.catalogue, a, b); !s)
        return {SwapOutcome::Failed, s.error()};
    return {SwapOutcome::Swapped, {}};
}

} // namespace kavro
