#pragma once
// Lets a main window's update tick fail in the middle of something else:
// once armed, as soon as the simulated driver has answered a read, the
// next pass of the event loop (such as the one a block read runs between
// its requests) runs the tick against a driver that answers every request
// with an exception, which disconnects the window.

#include "main_window_fixture.h"

#include <QTimer>

namespace test_support {

class failing_tick {
public:
    explicit failing_tick(sim_window& w) : w_(w)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (w_.sim.requests(3) == 0 || !w_.connected())
                return;
            w_.sim.exception_range(0, 0x10000, 4);
            main_window_test_access::fire_timer();
            w_.sim.clear_faults();
        });
    }
    // Counts reads from now on.
    void arm()
    {
        w_.sim.reset_counts();
        timer_.start(0);
    }
    void disarm() { timer_.stop(); }

private:
    sim_window& w_;
    QTimer timer_;
};

} // namespace test_support
