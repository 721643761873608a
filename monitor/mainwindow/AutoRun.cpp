#include "mainwindow/AutoRun.h"

#include "platform/Autostart.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDebug>

AutoRun::AutoRun(QObject *parent)
    : QObject(parent)
{}

bool AutoRun::enable(bool enable)
{
    qDebug() << "AutoRun enable";
    const QString name = QCoreApplication::applicationName();
    if (enable)
        Platform::autostart().add(name, QCoreApplication::applicationFilePath());
    else
        Platform::autostart().remove(name);
    return enable;
}

bool AutoRun::isEnabled()
{
    qDebug() << "AutoRun isEnabled";
    return Platform::autostart().contains(QCoreApplication::applicationName());
}
