#pragma once

#include <QMainWindow>

namespace tarvix {

class TLanguage;

// The browser window. For now it only opens and closes; folders, thumbnails and commands
// come later.
class TFormTarvix : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormTarvix(QWidget* parent = nullptr);
    ~TFormTarvix() override;

    TLanguage& Language() { return *FLanguage; }

private:
    TLanguage* FLanguage;
};

} // namespace tarvix
