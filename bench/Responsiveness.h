#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest time the window did not answer: a timer due every 10 ms,
// started before the work, whose largest lateness is kept. Each firing is
// expected one interval after the one before; a firing L ms later than that
// means the event loop ran nothing for about L ms (input, paint and the
// progress window's Cancel included). The time from the last firing to
// stopMs() counts too, so work that blocks until its very end is not missed.
class Responsiveness
{
public:
    static constexpr int kIntervalMs = 10;

    Responsiveness()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kIntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_clock.start();
        m_lastNs = 0;
        m_worstNs = 0;
        m_firings = 0;
        m_timer.start();
    }

    // The largest lateness in milliseconds, 0 when every firing was on time.
    double stopMs()
    {
        tick();
        m_timer.stop();
        return double(m_worstNs) / 1e6;
    }

    // How often the timer fired: a long run that answered has many.
    int firings() const { return m_firings; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_worstNs = std::max(m_worstNs, now - m_lastNs - qint64(kIntervalMs) * 1'000'000);
        m_lastNs = now;
        ++m_firings;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_worstNs = 0;
    int m_firings = 0;
};
