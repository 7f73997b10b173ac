// The day's last step: the site report the installer hands to the customer.
#include "InstallerDay.h"

#include "SiteReportRun.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>

namespace installerday {

// Help, Site Report... into a file the installer names: every listed camera
// has its card, each camera the login reached its picture (a JPEG that
// decodes) and each other one its reason; no password is in it. The user
// guide's picture is the page as Chromium draws it.
void InstallerDay::HandOverTheSiteReport()
{
    SCOPED_TRACE("hand over the site report");
    m_dlg->Sheet()->setCurrentIndex(0);
    const int listed = m_dlg->NetworkPage()->List()->topLevelItemCount();
    const QString path = QString::fromStdString(m_root) + QStringLiteral("/site-report.html");
    auto* run = m_dlg->findChild<SiteReportRun*>(QStringLiteral("siteReport"));
    ASSERT_NE(run, nullptr);
    labkit::AnswerNextFileDialog(path);
    ASSERT_TRUE(labkit::PickMenuItem(m_dlg->ShowHelpMenu(), LangQText(88309)));
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Site report written: ") + path) == 1; }, 120000))
        << Panel();
    EXPECT_TRUE(WaitFor([&] { return !run->Running(); }, 5000));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    EXPECT_EQ(page.count(QStringLiteral("<section class=\"card\">")), listed);
    const QRegularExpression picture(QStringLiteral("data:image/jpeg;base64,([A-Za-z0-9+/=]+)"));
    int pictures = 0;
    for (auto found = picture.globalMatch(page); found.hasNext();) {
        const QImage image = QImage::fromData(QByteArray::fromBase64(found.next().captured(1).toLatin1()), "JPEG");
        EXPECT_FALSE(image.isNull()) << "picture " << pictures;
        ++pictures;
    }
    const int reasons = static_cast<int>(page.count(QStringLiteral("<p class=\"reason\">")));
    EXPECT_EQ(pictures + reasons, listed) << "a camera the login reached without its picture";
    EXPECT_GT(pictures, listed / 2);
    for (const SiteCamera& camera : m_site.cameras) {
        EXPECT_FALSE(page.contains(QString::fromStdString(camera.password))) << camera.ip;
    }
    m_shots->TakeBrowser(path, QStringLiteral("report-en"));
}

} // namespace installerday
