// CSetMgr: the one process-wide holder of the user's settings and a few run-time fields.
// Persistent fields are named by their file keys; booleans are 0/1 integers.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "SettingsException.h"
#include "SettingsReporter.h"

// Every field with its default; copied whole by snapshots.
struct SettingsData {
  // Persistent, in the order the object holds them.
  int32_t bSubDir = 1;
  int32_t bPhotoResize = 0;
  int32_t bPhotoFrames = 0;
  int32_t bPhotoMark = 0;
  int32_t bPhotoGIF = 0;
  int32_t nGIFSpeed = 1000;
  int32_t nResizeType = 0;
  int32_t nResizeSimpleType = 0;
  int32_t nResizeWidth = 310;
  int32_t nResizeHeight = 310;
  int32_t nResizeQuality = 1;
  int32_t nFrameType = 1;
  int32_t nFrameRoundPos = 0;
  int32_t nFrameRoundRize = 0;
  int32_t nFrameFileIndex = 0;
  int32_t nMarkStyle = 0;
  QString strMarkText = QStringLiteral("请在此处输入水印文字");
  QString strMarkFont = QStringLiteral("黑体");
  int32_t nMarkFontSize = 22;
  int32_t bMarkFontBold = 0;
  int32_t bMarkFontIt = 0;
  int32_t bMarkFontUnder = 0;
  QString strMarkPicPath;
  int32_t nMarkPosStyle = 0;
  int32_t nMarkPosSimple = 0;
  int32_t nMarkPosTopUnit = 1;
  int32_t nMarkPosLeftUnit = 1;
  int32_t nMarkPosTop = 15;
  int32_t nMarkPosLeft = 15;
  int32_t nMarkSpace = 20;
  int32_t nMarkRows = 0;
  int32_t nMarkRotate = 0;
  int32_t nMarkTransparent = 20;
  QString strExportDir;
  // Run-time only, never stored in the file.
  int32_t bReportInvalid = 0;
  int32_t nChangeFlags = 0;
  int32_t nMarkColor = 0xFFFFFF;
  int32_t bPkvToJpg = 0;
  int32_t nGIFWidth = 0;
  int32_t nGIFHeight = 0;
  int32_t nGIFFrameCount = 0;
  QString strGIFPath;

  bool operator==(const SettingsData&) const = default;
};

class CSetMgr {
 public:
  enum ChangeBit : int32_t { ResizeChanged = 1, FrameChanged = 2, MarkChanged = 4 };

  static CSetMgr& Instance();
  virtual ~CSetMgr();
  CSetMgr(const CSetMgr&) = delete;
  CSetMgr& operator=(const CSetMgr&) = delete;

  void ResetToDefaults();

  // The settings file: per-user data folder + "Gallivo/settings.xml" (the folder is created),
  // or "settings.xml" in the current folder when it cannot be.
  static QString SettingsFilePath();
  bool LoadSettings();
  // Reads another settings file the same way; an unreadable one is deleted only when asked
  // (the program's own file is, a file named on gallivo-batch's command line is not).
  bool LoadSettingsFile(const QString& path, bool removeUnreadable);
  bool SaveSettings();

  // Out-of-range messages go here; null restores the default (the log).
  void SetReporter(SettingsReporter* reporter);

  // Everything at once (snapshots, tests).
  const SettingsData& Data() const { return d_; }

#define ZLV_GETTER(type, key) \
  type key() const { return d_.key; }
  ZLV_GETTER(int32_t, bSubDir)
  ZLV_GETTER(int32_t, bPhotoResize)
  ZLV_GETTER(int32_t, bPhotoFrames)
  ZLV_GETTER(int32_t, bPhotoMark)
  ZLV_GETTER(int32_t, bPhotoGIF)
  ZLV_GETTER(int32_t, nGIFSpeed)
  ZLV_GETTER(int32_t, nResizeType)
  ZLV_GETTER(int32_t, nResizeSimpleType)
  ZLV_GETTER(int32_t, nResizeWidth)
  ZLV_GETTER(int32_t, nResizeHeight)
  ZLV_GETTER(int32_t, nResizeQuality)
  ZLV_GETTER(int32_t, nFrameType)
  ZLV_GETTER(int32_t, nFrameRoundPos)
  ZLV_GETTER(int32_t, nFrameRoundRize)
  ZLV_GETTER(int32_t, nFrameFileIndex)
  ZLV_GETTER(int32_t, nMarkStyle)
  ZLV_GETTER(const QString&, strMarkText)
  ZLV_GETTER(const QString&, strMarkFont)
  ZLV_GETTER(int32_t, nMarkFontSize)
  ZLV_GETTER(int32_t, bMarkFontBold)
  ZLV_GETTER(int32_t, bMarkFontIt)
  ZLV_GETTER(int32_t, bMarkFontUnder)
  ZLV_GETTER(const QString&, strMarkPicPath)
  ZLV_GETTER(int32_t, nMarkPosStyle)
  ZLV_GETTER(int32_t, nMarkPosSimple)
  ZLV_GETTER(int32_t, nMarkPosTopUnit)
  ZLV_GETTER(int32_t, nMarkPosLeftUnit)
  ZLV_GETTER(int32_t, nMarkPosTop)
  ZLV_GETTER(int32_t, nMarkPosLeft)
  ZLV_GETTER(int32_t, nMarkSpace)
  ZLV_GETTER(int32_t, nMarkRows)
  ZLV_GETTER(int32_t, nMarkRotate)
  ZLV_GETTER(int32_t, nMarkTransparent)
  ZLV_GETTER(const QString&, strExportDir)
  ZLV_GETTER(int32_t, bReportInvalid)
  ZLV_GETTER(int32_t, nChangeFlags)
  ZLV_GETTER(int32_t, nMarkColor)
  ZLV_GETTER(int32_t, bPkvToJpg)
  ZLV_GETTER(int32_t, nGIFWidth)
  ZLV_GETTER(int32_t, nGIFHeight)
  ZLV_GETTER(int32_t, nGIFFrameCount)
  ZLV_GETTER(const QString&, strGIFPath)
#undef ZLV_GETTER

  // Unchecked writers; those of the effect pages set their change bit when the value differs.
  void set_bSubDir(int32_t v) { d_.bSubDir = v; }
  void set_bPhotoResize(int32_t v) { d_.bPhotoResize = v; }
  void set_bPhotoFrames(int32_t v) { d_.bPhotoFrames = v; }
  void set_bPhotoMark(int32_t v) { d_.bPhotoMark = v; }
  void set_bPhotoGIF(int32_t v) { d_.bPhotoGIF = v; }
  void set_nResizeType(int32_t v) { d_.nResizeType = v; }
  void set_nResizeSimpleType(int32_t v) { store(d_.nResizeSimpleType, v, ResizeChanged); }
  void set_nResizeHeight(int32_t v) { d_.nResizeHeight = v; }
  void set_nResizeQuality(int32_t v) { store(d_.nResizeQuality, v, ResizeChanged); }
  void set_nFrameType(int32_t v) { store(d_.nFrameType, v, FrameChanged); }
  void set_nFrameRoundPos(int32_t v) { store(d_.nFrameRoundPos, v, FrameChanged); }
  void set_nFrameRoundRize(int32_t v) { store(d_.nFrameRoundRize, v, FrameChanged); }
  void set_nFrameFileIndex(int32_t v) { store(d_.nFrameFileIndex, v, FrameChanged); }
  void set_nMarkStyle(int32_t v) { store(d_.nMarkStyle, v, MarkChanged); }
  void set_strMarkText(const QString& v) { store(d_.strMarkText, v, MarkChanged); }
  void set_strMarkFont(const QString& v) { store(d_.strMarkFont, v, MarkChanged); }
  void set_bMarkFontBold(int32_t v) { store(d_.bMarkFontBold, v, MarkChanged); }
  void set_bMarkFontIt(int32_t v) { store(d_.bMarkFontIt, v, MarkChanged); }
  void set_bMarkFontUnder(int32_t v) { store(d_.bMarkFontUnder, v, MarkChanged); }
  void set_strMarkPicPath(const QString& v) { store(d_.strMarkPicPath, v, MarkChanged); }
  void set_nMarkPosStyle(int32_t v) { store(d_.nMarkPosStyle, v, MarkChanged); }
  void set_nMarkPosSimple(int32_t v) { store(d_.nMarkPosSimple, v, MarkChanged); }
  void set_nMarkPosTopUnit(int32_t v) { store(d_.nMarkPosTopUnit, v, MarkChanged); }
  void set_nMarkPosLeftUnit(int32_t v) { store(d_.nMarkPosLeftUnit, v, MarkChanged); }
  void set_nMarkRows(int32_t v) { store(d_.nMarkRows, v, MarkChanged); }
  void set_nMarkColor(int32_t v) { store(d_.nMarkColor, v, MarkChanged); }
  void set_strExportDir(const QString& v) { d_.strExportDir = v; }
  void set_bReportInvalid(int32_t v) { d_.bReportInvalid = v; }
  void set_nChangeFlags(int32_t v) { d_.nChangeFlags = v; }
  void set_bPkvToJpg(int32_t v) { d_.bPkvToJpg = v; }
  void set_nGIFWidth(int32_t v) { d_.nGIFWidth = v; }
  void set_nGIFHeight(int32_t v) { d_.nGIFHeight = v; }
  void set_nGIFFrameCount(int32_t v) { d_.nGIFFrameCount = v; }
  void set_strGIFPath(const QString& v) { d_.strGIFPath = v; }

  // Validated setters: in range, the value is stored; out of range with bReportInvalid 1, the
  // message is shown and SettingsException raised; silently, the value is ignored (clamped
  // for nGIFSpeed). The held value never changes on failure.
  void set_nGIFSpeed(int32_t v);
  void set_nResizeWidth(int32_t v);
  void set_nMarkFontSize(int32_t v);
  void set_nMarkPosTop(int32_t v);
  void set_nMarkPosLeft(int32_t v);
  void set_nMarkSpace(int32_t v);
  void set_nMarkRotate(int32_t v);
  void set_nMarkTransparent(int32_t v);

  // Snapshot stack of the settings dialog: push on open, pop with restore on Cancel.
  void PushSnapshot();
  void PopSnapshot(bool restore);
  size_t SnapshotCount() const { return snapshots_.size(); }

 private:
  CSetMgr();
  template <class T>
  void store(T& field, const T& value, int32_t bit) {
    if (field != value) d_.nChangeFlags |= bit;
    field = value;
  }
  void validated(int32_t& field, int32_t value, int32_t low, int32_t high, const char16_t* message,
                 int32_t bit, bool clamp);
  void report(const QString& message);

  SettingsData d_;
  std::vector<SettingsData> snapshots_;
  SettingsReporter* reporter_ = nullptr;
  LogReporter defaultReporter_;
};
