#include "platform/SessionEndWatcher.h"

SessionEndWatcher::SessionEndWatcher(QObject *parent)
    : QObject(parent)
{}
