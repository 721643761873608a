#pragma once

#include <QDataStream>
#include <QList>

namespace RecordStream {

/// Writes \a list as the data stream writes every list: a 32-bit count, then
/// the elements.
template<typename T>
void writeList(QDataStream &out, const QList<T> &list)
{
    out << quint32(list.size());
    for (const T &element : list)
        out << element;
}

/// Reads what writeList() wrote. Unlike the data stream's own list reader it
/// reserves nothing up front, so a damaged count of two billion costs no more
/// memory than the elements actually there. Reading stops at the first
/// element that fails; the list is then empty and the stream keeps the
/// failure.
template<typename T>
void readList(QDataStream &in, QList<T> &list)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        T element;
        in >> element;
        if (in.status() != QDataStream::Ok)
            break;
        list.append(element);
    }
    if (in.status() != QDataStream::Ok)
        list.clear();
}

/// A failed read leaves a default record rather than a half-filled one.
template<typename T>
QDataStream &resetOnFailure(QDataStream &in, T &record)
{
    if (in.status() != QDataStream::Ok)
        record = T();
    return in;
}

} // namespace RecordStream
