// Places a window in the middle of the screen it is on (or the primary screen).
#pragma once

class QWidget;

void CentreOnScreen(QWidget* window);
