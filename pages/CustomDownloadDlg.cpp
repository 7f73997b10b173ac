#include "CustomDownloadDlg.h"

#include "LangKeys.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LogRules.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CCustomDownloadDlg::CCustomDownloadDlg(int kind, const std::string& remoteName, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_remoteName(remoteName)
{
    SetCtrlId(this, 226);
    // The title is the words of the button that opens the dialog.
    const std::wstring title = LangReadLabel("DLGLOG", LangMenuKey(LangControl::kLogCustomDownload));
    setWindowTitle(title.empty() ? QStringLiteral("Custom Download") : QString::fromStdWString(title));

    auto* kindLabel = new QLabel(QStringLiteral("File Type:"), this);
    SetCtrlId(kindLabel, LangControl::kCustomFileType);
    m_kindBox = new QComboBox(this);
    m_kindBox->addItem(LangQText(87010));
    m_kindBox->addItem(LangQText(87011));
    m_kindBox->setCurrentIndex(kind == 1 ? 1 : 0);
    auto* nameLabel = new QLabel(QStringLiteral("Remote File Name:"), this);
    SetCtrlId(nameLabel, LangControl::kCustomFileName);
    m_nameBox = new QLineEdit(QString::fromStdString(remoteName), this);
    m_nameBox->setMaxLength(255);
    m_nameBox->setMinimumWidth(260);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setText(QStringLiteral("OK"));
    cancel->setText(QStringLiteral("Cancel"));
    SetCtrlId(ok, LangControl::kOk);
    SetCtrlId(cancel, LangControl::kCancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCustomDownloadDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(kindLabel, m_kindBox);
    form->addRow(nameLabel, m_nameBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    LangRelabelWindow(this, "DLGCUSTOMDL");
    m_nameBox->setFocus();
}

void CCustomDownloadDlg::accept()
{
    if (m_nameBox->text().isEmpty()) {
        m_nameBox->setFocus();
        return;
    }
    m_kind = m_kindBox->currentIndex();
    m_remoteName = CutUtf8(m_nameBox->text().toStdString(), 255);
    QDialog::accept();
}
