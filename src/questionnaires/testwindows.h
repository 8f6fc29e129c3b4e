// The twenty-two test windows, by objectName.
#pragma once

#include <string_view>

class QDialog;
class QWidget;

namespace zentrova {

// A fresh instance of the named test window, or nullptr for an unknown name.
QDialog *createTestWindow(std::string_view name, QWidget *parent);

} // namespace zentrova
