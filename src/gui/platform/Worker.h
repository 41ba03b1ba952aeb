#pragma once
// One background computation at a time, on a thread of its own, for an
// object of the main thread. start() cancels and joins the computation
// under way first; stop() and the destructor do the same, so no worker
// outlives what it reads. The result reaches the main thread through a
// queued call on `context`, and is dropped when a stop or a newer start
// came in between (or the context has gone). A computation that throws
// reaches the main thread as the reason, a sentence fragment, instead.
//
// `Control` carries the atomic `cancel` and `progress` that the
// computation polls and updates.

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
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
    // the main thread, or fail(reason) when compute threw. The context must
    // outlive this worker's joins: its owner stops the worker before it goes.
    template <typename Compute, typename Deliver, typename Fail>
    void start(QObject* context, Compute compute, Deliver deliver, Fail fail)
    {
        stop();
        auto job = std::make_shared<Job>();
        m_job = job;
        m_thread = std::thread([this, job, context, compute = std::move(compute), deliver = std::move(deliver),
                                fail = std::move(fail)]() mutable {
            std::optional<decltype(compute(job->control))> result;
            std::string failure;
            try {
                result.emplace(compute(job->control));
            } catch (const std::bad_alloc&) {
                failure = "there is not enough memory for it";
            } catch (const std::length_error&) {
                failure = "there is not enough memory for it";
            } catch (const std::exception& e) {
                failure = e.what();
            } catch (...) {
                failure = "an unexpected error";
            }
            if (job->abandoned)
                return;
            QMetaObject::invokeMethod(
                context,
                [this, job, deliver = std::move(deliver), fail = std::move(fail), result = std::move(result),
                 failure = std::move(failure)]() mutable {
                    // Abandoned is only set on the main thread, before a join.
                    if (job->abandoned)
                        return;
                    if (m_thread.joinable())
                        m_thread.join();
                    if (result)
                        deliver(std::move(*result));
                    else
                        fail(failure);
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

namespace vx {

// "The analysis failed: <reason>." as a window shows it.
inline QString analysisFailedText(const std::string& reason)
{
    return QStringLiteral("The analysis failed: %1.").arg(QString::fromStdString(reason));
}

// What an analysis window shows while it computes, and after a click
// cancelled the computation.
inline QString progressText(int percent)
{
    return QStringLiteral("Progress = %1 (click to cancel)").arg(percent);
}

inline QString cancelledText()
{
    return QStringLiteral("Cancelled (click to compute again)");
}

} // namespace vx
