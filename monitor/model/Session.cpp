#include "model/Session.h"

Session::Session(const QDir &dataFolder, QObject *owner)
    : QObject(owner)
    , m_dataFolder(dataFolder)
{}

void Session::restoreLastLogin() {}

void Session::save() {}
