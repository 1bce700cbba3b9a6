#include "UpDownControl.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto makeArrow = [this, layout](Qt::ArrowType arrow, const char* name, int steps) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedSize(16, 11);
    connect(button, &QToolButton::clicked, this, [this, steps] { StepBy(steps); });
    layout->addWidget(button);
  };
  makeArrow(Qt::UpArrow, "up", 1);
  makeArrow(Qt::DownArrow, "down", -1);
  setFixedWidth(16);
}

void UpDownControl::SetRange(int low, int high) {
  low_ = std::min(low, high);
  high_ = std::max(low, high);
  position_ = std::clamp(position_, low_, high_);
}

void UpDownControl::SetPosition(int position) { position_ = std::clamp(position, low_, high_); }

void UpDownControl::StepBy(int steps) {
  const int next = int(std::clamp<qint64>(qint64(position_) + steps, low_, high_));
  if (next == position_) return;
  position_ = next;
  emit moved(position_);
}
