// Message boxes and file dialogs answered by the test: every message and every dialog's
// title or filter is recorded; answers come from what the test set (cancel when none).
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>

#include "UserDialogs.h"

namespace apptest {

class ScriptedDialogs : public UserDialogs {
 public:
  ScriptedDialogs() { UserDialogs::Install(this); }
  ~ScriptedDialogs() override { UserDialogs::Install(nullptr); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  void Inform(QWidget*, const QString& text) override { informed << text; }
  bool Ask(QWidget*, const QString& text) override {
    asked << text;
    return askAnswer;
  }
  QString ChooseFolder(QWidget*, const QString& title) override {
    folderTitles << title;
    return Take();
  }
  QString SaveFile(QWidget*, const QString&, const QString& filter) override {
    saveFilters << filter;
    return Take();
  }
  QStringList OpenFiles(QWidget*, const QString&, const QString& filter) override {
    openFilters << filter;
    return files;
  }
  QString OpenFile(QWidget*, const QString&, const QString& filter) override {
    openFilters << filter;
    return fileAnswer;
  }
  QColor ChooseColor(QWidget*, const QColor&) override { return colourAnswer; }

  std::deque<QString> answers;  // folder browser and save dialog, in turn; "" is cancel
  QStringList files;            // what every multi-select open dialog answers; none is cancel
  QString fileAnswer;           // what every single-file open dialog answers; "" is cancel
  QColor colourAnswer;          // what the colour chooser answers; invalid is cancel
  bool askAnswer = true;
  QStringList informed, asked, folderTitles, saveFilters, openFilters;

 private:
  QString Take() {
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace apptest
