#include "AboutDlg.h"

#include "LangWidgets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPixmap ProgramMark()
{
    QPixmap mark(56, 56);
    mark.fill(Qt::transparent);
    QPainter p(&mark);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(37, 131, 203));
    p.drawRoundedRect(QRectF(2, 2, 52, 52), 12, 12);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(28, 28), 15, 15);
    p.setBrush(QColor(37, 131, 203));
    p.drawEllipse(QPointF(28, 28), 8, 8);
    p.setBrush(QColor(22, 86, 146));
    p.drawEllipse(QPointF(28, 28), 3.5, 3.5);
    return mark;
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    SetCtrlId(this, 100);
    setWindowTitle(QStringLiteral("About Vantrel Zendrix"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramMark());
    auto* name = new QLabel(QStringLiteral("Vantrel Zendrix"), this);
    SetCtrlId(name, 1002);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    name->setFont(bold);
    m_version = new QLabel(this);
    SetCtrlId(m_version, 1001);
    m_link = new QLabel(this);
    SetCtrlId(m_link, 1003);
    m_link->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    SetCtrlId(buttons->button(QDialogButtonBox::Ok), 1);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(m_version);
    texts->addWidget(m_link);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    Relabel();
}

void CAboutDlg::Relabel()
{
    // The version line is the static's own word, then the program version;
    // the link keeps its address whatever its words.
    m_version->setText(QStringLiteral("Version"));
    m_link->setText(QStringLiteral("Visit the Vantrel web site"));
    LangRelabelWindow(this, "ABOUT");
    m_version->setText(m_version->text() + QLatin1Char(' ') + QStringLiteral(ZENDRIX_VERSION_TEXT));
    m_link->setText(QStringLiteral("<a href=\"https://www.vantrel.example/\">%1</a>")
                        .arg(m_link->text().toHtmlEscaped()));
}
