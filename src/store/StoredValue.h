#pragma once

#include <QByteArray>
#include <QVariant>

namespace store {

// What a value a driver read is, as stored. Qt hands whole numbers over in
// several types (a server bigint that is not negative as ULongLong); an
// empty box is a null QString, which is text, not NULL.
enum class StoredKind { Null, Integer, Real, Text, Blob };

inline StoredKind storedKind(const QVariant &value)
{
    if (value.isNull())
        return StoredKind::Null;
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return StoredKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return StoredKind::Real;
    case QMetaType::QByteArray:
        return StoredKind::Blob;
    default:
        return StoredKind::Text;
    }
}

// Feeds a value, as stored, to anything that takes values one by one (a
// fingerprint, a history's rows).
template <typename Sink>
void addStoredValue(Sink &sink, const QVariant &value)
{
    switch (storedKind(value)) {
    case StoredKind::Null:
        sink.addNull();
        break;
    case StoredKind::Integer:
        sink.addInteger(value.toLongLong());
        break;
    case StoredKind::Real:
        sink.addReal(value.toDouble());
        break;
    case StoredKind::Blob: {
        const QByteArray bytes = value.toByteArray();
        sink.addBlob(bytes.constData(), bytes.size());
        break;
    }
    case StoredKind::Text:
        sink.addText(value.toString());
        break;
    }
}

} // namespace store
