#pragma once

#include "store/DataDir.h"
#include "store/ReportStones.h"

#include <QObject>
#include <QVector>
#include <atomic>
#include <memory>

class QThread;

namespace grading {

// What a reading is for: the shape's code and the fields wanted.
struct StoneKey {
    QString shapeCode;
    QStringList fields;
    // Stones read for this key serve `other` too.
    bool covers(const StoneKey &other) const;
};

// Reads the stones of a shape from a data directory's report tables
// (Reports.db, Reports.mdb or the server) on a thread of its own, with a
// connection of its own, so that the window stays live and can cancel.
// Text values are read as numbers there too. Only the latest reading
// reports; one started replaces the one before.
class StoneReading : public QObject {
    Q_OBJECT

public:
    explicit StoneReading(const store::DataDir &dir, QObject *parent = nullptr);
    // Cancels what is running and waits for it.
    ~StoneReading() override;

    void start(const StoneKey &key);
    void cancel();
    bool running() const { return m_running; }

signals:
    void progressed(qint64 read, qint64 total);
    void finished(const grading::StoneKey &key, std::shared_ptr<const store::Stones> stones);
    void failed(const QString &message);

private:
    struct Job {
        int id;
        std::atomic_bool cancelled{false};
    };
    void run(std::shared_ptr<Job> job, StoneKey key);
    // On this object's thread, when the job is still the latest.
    template <typename F>
    void report(const std::shared_ptr<Job> &job, F call);

    store::DataDir m_dir;
    std::shared_ptr<Job> m_job;
    QVector<QThread *> m_threads;
    int m_jobs = 0;
    bool m_running = false;
};

} // namespace grading
