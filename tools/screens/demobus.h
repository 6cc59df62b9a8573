#ifndef DEMOBUS_H
#define DEMOBUS_H

#include "simlink.h"
#include "windowtest.h"

#include <QPushButton>
#include <QTest>

// The tests' window fixture on the simulator's demo bus: the fixture (and its
// working folder) at once, the window by start(), its port open and the
// converter set and started; false when the simulator does not start.
struct DemoBusWindow
{
    static SimOptions demoOptions()
    {
        SimOptions options;
        options.demo = true;
        return options;
    }

    bool start()
    {
        QString error;
        if (!sim.open(&error))
            return false;
        f.start(false);
        openPort(f.window, sim.slavePath());
        QTest::qWait(300);
        f.get<QPushButton>("btnSetStart")->click();
        return true;
    }

    SimulatorLink sim{ demoOptions() };
    WindowFixture f;
};

#endif // DEMOBUS_H
