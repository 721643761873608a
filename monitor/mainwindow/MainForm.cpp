#include "mainwindow/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QIcon>

MainForm::MainForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_velmora(velmora)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/trayActive.png")));
    resize(392, 73);

    auto *actionExit = new QAction(QStringLiteral("Выход"), this);
    actionExit->setObjectName(QStringLiteral("actionExit"));
    actionExit->setToolTip(QStringLiteral("Выход"));
    addAction(actionExit);
    QMetaObject::connectSlotsByName(this);
}

void MainForm::on_actionExit_triggered()
{
    qDebug() << "MainForm on_actExit_activated";
    accept();
    QApplication::quit();
}
