#include "grading/StoneReading.h"

#include "legacy/MdbReportTables.h"
#include "rules/Grading.h"
#include "store/Database.h"
#include "store/Error.h"

#include <QThread>

namespace grading {

bool StoneKey::covers(const StoneKey &other) const
{
    if (shapeCode != other.shapeCode)
        return false;
    for (const QString &field : other.fields) {
        if (!fields.contains(field))
            return false;
    }
    return true;
}

StoneReading::StoneReading(const store::DataDir &dir, QObject *parent) : QObject(parent), m_dir(dir)
{
}

StoneReading::~StoneReading()
{
    cancel();
    for (QThread *thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void StoneReading::cancel()
{
    if (m_job)
        m_job->cancelled = true;
    m_job.reset();
    m_running = false;
}

void StoneReading::start(const StoneKey &key)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->id = ++m_jobs;
    m_job = job;
    m_running = true;
    // A cancelled reading may still be ending (an Access file is read in
    // one go); it reports nothing, and its thread goes once it ends.
    QThread *thread = QThread::create([this, job, key] { run(job, key); });
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start();
}

template <typename F>
void StoneReading::report(const std::shared_ptr<Job> &job, F call)
{
    QMetaObject::invokeMethod(
        this,
        [this, job, call] {
            if (m_job == job)
                call();
        },
        Qt::QueuedConnection);
}

void StoneReading::run(std::shared_ptr<Job> job, StoneKey key)
{
    const QString connection = QStringLiteral("stones-%1").arg(job->id);
    try {
        std::optional<store::Stones> stones;
        {
            const std::unique_ptr<store::ReportTables> reports = legacy::openReportTables(m_dir, connection);
            stones = store::readStones(*reports, key.shapeCode, key.fields, [&](qint64 read, qint64 total) {
                report(job, [this, read, total] { emit progressed(read, total); });
                return !job->cancelled;
            });
        }
        if (stones) {
            rules::readTexts(*stones);
            auto result = std::make_shared<const store::Stones>(std::move(*stones));
            report(job, [this, key, result] {
                m_running = false;
                emit finished(key, result);
            });
        }
    } catch (const store::Error &error) {
        const QString message = error.message();
        report(job, [this, message] {
            m_running = false;
            emit failed(message);
        });
    }
    store::closeDatabase(connection);
}

} // namespace grading
