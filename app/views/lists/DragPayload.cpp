#include "views/lists/DragPayload.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace kavro {

namespace {
constexpr int kMaxItems = 100000;
} // namespace

const char* DragPayload::mimeType()
{
    return "application/x-kavro-drag";
}

QMimeData* DragPayload::toMimeData() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << static_cast<qint32>(source) << static_cast<qint32>(items.size());
    for (const DraggedItem& item : items)
        out << item.isCategory << static_cast<qint32>(item.categoryEntry) << static_cast<qint32>(item.machine)
            << static_cast<qint32>(item.slot);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(mimeType()), bytes);
    return data;
}

std::optional<DragPayload> DragPayload::fromMimeData(const QMimeData* data)
{
    const QString type = QString::fromLatin1(mimeType());
    if (!data || !data->hasFormat(type))
        return std::nullopt;
    QDataStream in(data->data(type));
    qint32 source = 0;
    qint32 count = 0;
    in >> source >> count;
    if (in.status() != QDataStream::Ok || source < 0 ||
        source > static_cast<qint32>(DragSource::MachineList) || count < 0 || count > kMaxItems)
        return std::nullopt;
    DragPayload payload;
    payload.source = static_cast<DragSource>(source);
    for (qint32 i = 0; i < count; ++i) {
        DraggedItem item;
        qint32 entry = 0, machine = 0, slot = 0;
        in >> item.isCategory >> entry >> machine >> slot;
        if (in.status() != QDataStream::Ok)
            return std::nullopt;
        item.categoryEntry = entry;
        item.machine = machine;
        item.slot = slot;
        payload.items.push_back(item);
    }
    return payload;
}

} // namespace kavro
