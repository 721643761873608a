#pragma once

#include "platform/ProcessList.h"

#include <QSet>

/// A process table the test fills by hand.
class FakeProcessList : public ProcessList
{
public:
    bool isRunning(const QString &executableName) const override { return running.contains(executableName); }

    QSet<QString> running;
};
