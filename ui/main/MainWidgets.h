// Small widgets of the main window: the usage bar's picture, the clickable cache panel and
// the object tree control.
#pragma once

#include <QImage>
#include <QLabel>
#include <QTreeWidget>
#include <QWidget>

// Shows one picture and reports a click on it.
class TUsageImage : public QWidget {
    Q_OBJECT
  public:
    explicit TUsageImage(QWidget* parent = nullptr);
    QImage Image;

  signals:
    void clicked();
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// A sunken panel with a caption that reports a click on it.
class TClickPanel : public QLabel {
    Q_OBJECT
  public:
    explicit TClickPanel(const QString& caption, QWidget* parent = nullptr);
    // Fills the panel with Colour; the caption keeps the system window colour.
    void SetColour(const QColor& colour);
    QColor Colour() const { return FillColour; }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QColor FillColour;
};

// The object tree control. A right-click opens the context menu without changing the
// selection, so that the menu's commands act on the nodes already selected.
class TObjectTreeWidget : public QTreeWidget {
    Q_OBJECT
  public:
    explicit TObjectTreeWidget(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};
