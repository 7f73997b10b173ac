#include "BatchRunner.h"

#include <QMetaObject>
#include <QPointer>

BatchRunner::BatchRunner(LineSink sink, QObject* parent, int maxParallel)
    : QObject(parent), m_sink(std::move(sink)), m_engine(maxParallel)
{
}

BatchRunner::~BatchRunner()
{
    // The engine's threads post to this object; the posts die with it, and
    // the engine's own destructor waits for the threads.
    m_engine.Cancel();
    m_engine.Wait();
}

bool BatchRunner::Start(std::vector<tagVtIpcInfo> targets, BatchEngine::Operation operation)
{
    if (m_running) {
        return false;
    }
    m_engine.Wait();
    m_done = 0;
    m_total = static_cast<int>(targets.size());
    auto cameraDone = [this](std::size_t, std::vector<PanelLine> lines) {
        QMetaObject::invokeMethod(
            this,
            [this, lines = std::move(lines)] {
                for (const PanelLine& line : lines) {
                    m_sink(line);
                }
                emit progress(++m_done, m_total);
            },
            Qt::QueuedConnection);
    };
    auto finishedCall = [this](bool cancelled) {
        QMetaObject::invokeMethod(
            this,
            [this, cancelled] {
                m_running = false;
                emit finished(cancelled);
            },
            Qt::QueuedConnection);
    };
    m_running = m_engine.Start(std::move(targets), std::move(operation), cameraDone, finishedCall);
    if (m_running) {
        emit started(m_total);
    }
    return m_running;
}

void BatchRunner::Cancel()
{
    m_engine.Cancel();
}
