#pragma once

#include "platform/ProgramLauncher.h"

#include <QStringList>

/// Starts nothing: records each request and answers with a result the test
/// chose (by default "started").
class FakeProgramLauncher : public ProgramLauncher
{
public:
    int start(const QString &program, const QString &arguments) override
    {
        calls << program + QLatin1Char(' ') + arguments;
        return result;
    }

    int result = Started;
    QStringList calls;
};
