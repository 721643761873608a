#include "model/TaskInfo.h"

#include "model/RecordStream.h"

using RecordStream::readList;
using RecordStream::resetOnFailure;
using RecordStream::writeList;

QDataStream &operator<<(QDataStream &out, const Attachment &attachment)
{
    return out << attachment.id << attachment.filename << attachment.filename_orig << attachment.size;
}

QDataStream &operator>>(QDataStream &in, Attachment &attachment)
{
    in >> attachment.id >> attachment.filename >> attachment.filename_orig >> attachment.size;
    return resetOnFailure(in, attachment);
}

QDataStream &operator<<(QDataStream &out, const Keyword &keyword)
{
    return out << keyword.id << keyword.keyword << keyword.count << keyword.count2;
}

QDataStream &operator>>(QDataStream &in, Keyword &keyword)
{
    in >> keyword.id >> keyword.keyword >> keyword.count >> keyword.count2;
    return resetOnFailure(in, keyword);
}

QDataStream &operator<<(QDataStream &out, const TextTask &text)
{
    out << text.id << text.text << text.title << text.min_count << text.page << text.task;
    writeList(out, text.keywords);
    return out;
}

QDataStream &operator>>(QDataStream &in, TextTask &text)
{
    in >> text.id >> text.text >> text.title >> text.min_count >> text.page >> text.task;
    if (!text.page.isValid())
        text.page.clear(); // stored text that does not parse is no link, as the writer stores one
    readList(in, text.keywords);
    return resetOnFailure(in, text);
}

QDataStream &operator<<(QDataStream &out, const TaskInfo &info)
{
    out << info.id << info.title << info.deadline << info.text << info.executor_name << info.creator_name
        << info.auditor_name;
    writeList(out, info.files);
    writeList(out, info.texts);
    return out;
}

QDataStream &operator>>(QDataStream &in, TaskInfo &info)
{
    in >> info.id >> info.title >> info.deadline >> info.text >> info.executor_name >> info.creator_name >>
        info.auditor_name;
    readList(in, info.files);
    readList(in, info.texts);
    return resetOnFailure(in, info);
}
