#pragma once
#include "ZxExport.h"

#include <QDialog>

// The About box: program mark, name, version and the maker's web address.
// Its texts come from the language section "ABOUT" by control ID:
// 1002 the program name, 1001 the word before the version number, 1003 the
// words of the web link, 1 the OK button.
class ZX_EXPORT CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    void Relabel();

private:
    class QLabel* m_version = nullptr;
    class QLabel* m_link = nullptr;
};
