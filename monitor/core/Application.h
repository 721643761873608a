#pragma once

#include <QApplication>

/// The monitor's application object. It adds no behaviour of its own; it
/// names the place where application-wide hooks belong.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);

private:
    Q_DISABLE_COPY(Application)
};
