#pragma once
#include "ZxExport.h"

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

// "Custom Download": which kind of file and its name on the camera. Opens with
// the choice made last time; OK with an empty name keeps it open.
class ZX_EXPORT CCustomDownloadDlg : public QDialog
{
    Q_OBJECT

public:
    CCustomDownloadDlg(int kind, const std::string& remoteName, QWidget* parent = nullptr);

    // 0 SD files, 1 other files.
    int Kind() const { return m_kind; }
    // The name as the camera takes it: UTF-8, at most 255 bytes.
    const std::string& RemoteName() const { return m_remoteName; }

    QComboBox* KindBox() const { return m_kindBox; }
    QLineEdit* NameBox() const { return m_nameBox; }

    void accept() override;

private:
    QComboBox* m_kindBox = nullptr;
    QLineEdit* m_nameBox = nullptr;
    int m_kind = 0;
    std::string m_remoteName;
};
