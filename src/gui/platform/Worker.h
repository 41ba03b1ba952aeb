#pragma once
// One background computation at a time, on a thread of its own, for an
// object of the main thread. start() cancels and joins the computation
// under way first; stop() and the destructor do the same, so no worker
// outlives what it reads. The result reaches the main thread through a
// queued call on `context`, and is dropped when a stop or a newer start
// came in between (or the context has gone).
//
// `Control` carries the atomic `cancel` and `progress` that the
// computation polls and updates.

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>

namespace vx {

template <typename Control>
class Worker {
public:
    Worker() = default;
    ~Worker() { stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs compute(Control&) on the worker thread, then deliver(result) on
    // the main thread. The context must outlive this worker's joins: its
    // owner stops the worker before it goes.
    template <typename Compute, typename Deliver>
    void start(QObject* context, Compute compute, Deliver deliver)
    {
        stop();
        auto job = std::make_shared<Job>();
        m_job = job;
        m_thread = std::thread([this, job, context, compute = std::move(compute),
                                deliver = std::move(deliver)]() mutable {
            auto result = compute(job->control);
            if (job->abandoned)
                return;
            QMetaObject::invokeMethod(
                context,
                [this, job, deliver = std::move(deliver), result = std::move(result)]() mutable {
                    // Abandoned is only set on the main thread, before a join.
                    if (job->abandoned)
                        return;
                    if (m_thread.joinable())
                        m_thread.join();
                    deliver(std::move(result));
                },
                Qt::QueuedConnection);
        });
    }

    // Abandons the computation under way: cancelled, joined, and its
    // result never delivered.
    void stop()
    {
        if (m_job) {
            m_job->abandoned = true;
            m_job->control.cancel = true;
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    // Asks the computation to end early; what it returns is still delivered.
    void cancel()
    {
        if (m_job)
            m_job->control.cancel = true;
    }

    int progress() const { return m_job ? m_job->control.progress.load() : 0; }

private:
    struct Job {
        Control control;
        std::atomic<bool> abandoned{false};
    };
    std::thread m_thread;
    std::shared_ptr<Job> m_job;
};

} // namespace vx
