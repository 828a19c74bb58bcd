#pragma once

class QWidget;

// A dialog is centred on its owner; one whose owner is not shown (the key dialog before the main
// window appears, a question while the window is hidden in the notification area) is centred on
// the screen instead of on the hidden window's place. Call before showing it; a dialog moved on
// purpose is left where it is.
void CentreOnScreenWhenOwnerHidden(QWidget& dialog);
