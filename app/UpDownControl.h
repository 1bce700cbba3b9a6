// A pair of arrow buttons with a position, like the classic up-down control: the up arrow
// raises the position by one step, the down arrow lowers it, within the range.
#pragma once

#include <QWidget>

class UpDownControl : public QWidget {
  Q_OBJECT
 public:
  explicit UpDownControl(QWidget* parent = nullptr);

  void SetRange(int low, int high);
  void SetPosition(int position);
  int Position() const { return position_; }
  // What an arrow click does: steps > 0 up, < 0 down; clamped to the range.
  void StepBy(int steps);

 signals:
  // After the position moved (not for SetPosition).
  void moved(int position);

 private:
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
};
