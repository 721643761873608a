// The readers of the stored task records (tasks.ini, taskInfo.ini and the
// change notices keep them in the data stream's form) take any bytes, never
// reserve what a damaged count claims, and what they read writes back the
// same.

#include "FuzzSupport.h"
#include "model/RecordStream.h"
#include "model/Task.h"
#include "model/TaskInfo.h"
#include "support/TaskRecords.h"

#include <QBuffer>
#include <QDataStream>

#include <cstdlib>

namespace {

template<typename Record>
void roundTrip(const QByteArray &input, void (*read)(QDataStream &, Record &),
               void (*write)(QDataStream &, const Record &))
{
    QDataStream in(input);
    in.setVersion(QDataStream::Qt_4_0);
    Record record;
    read(in, record);
    if (in.status() != QDataStream::Ok)
        return;
    QByteArray written;
    QDataStream out(&written, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    write(out, record);
    QDataStream again(written);
    again.setVersion(QDataStream::Qt_4_0);
    Record back;
    read(again, back);
    if (again.status() != QDataStream::Ok || !(back == record))
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzSupport::bytes(data, size);
    roundTrip<QList<Task>>(
        input, [](QDataStream &in, QList<Task> &tasks) { RecordStream::readList(in, tasks); },
        [](QDataStream &out, const QList<Task> &tasks) { RecordStream::writeList(out, tasks); });
    roundTrip<TaskInfo>(
        input, [](QDataStream &in, TaskInfo &info) { in >> info; },
        [](QDataStream &out, const TaskInfo &info) { out << info; });
    return 0;
}
