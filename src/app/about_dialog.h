#pragma once

#include <QDialog>

namespace vardeck {

// Shows what the program is: its icon and one line of text, closed with OK or Escape.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace vardeck
