#pragma once

// A session owner over a temporary data folder, for tests of the session.

#include "model/Session.h"

#include <QTemporaryDir>

class TestSessionOwner final : public SessionOwner
{
public:
    QDir dataFolder() const override { return QDir(m_folder.path()); }
    void removeObsoleteFiles() override { ++obsoleteFileRuns; }

    QString path(const QString &relative) const { return m_folder.filePath(relative); }

    int obsoleteFileRuns = 0;

private:
    QTemporaryDir m_folder;
};
