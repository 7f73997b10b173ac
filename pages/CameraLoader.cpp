#include "CameraLoader.h"

#include <QMetaObject>

CameraLoader::CameraLoader(QWidget* page) : QObject(page), m_page(page) {}

// The workers post to this object: m_jobs, the last member, stops and joins
// them before the QObject part goes, and whatever they posted dies with it
// unshown.
CameraLoader::~CameraLoader() = default;

void CameraLoader::Start(Read read)
{
    const std::uint64_t generation = ++m_generation;
    m_jobs.Start([this, generation, read = std::move(read)](const std::atomic<bool>& stop) {
        Show show = read(stop);
        if (stop) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, show = std::move(show)] {
                if (generation != m_generation) {
                    return;
                }
                show();
                // A box the step showed may have let a newer load start meanwhile.
                if (generation == m_generation) {
                    SetLoading(false);
                }
            },
            Qt::QueuedConnection);
    });
    SetLoading(true);
}

void CameraLoader::Drop()
{
    ++m_generation;
    m_jobs.Stop();
    SetLoading(false);
}

void CameraLoader::SetLoading(bool loading)
{
    if (loading != m_loading) {
        m_loading = loading;
        if (loading) {
            m_page->setCursor(Qt::BusyCursor);
        } else {
            m_page->unsetCursor();
        }
        emit loadingChanged(loading);
    }
}
