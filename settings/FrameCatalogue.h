// The frames on offer: read once from the program folder's "data/frames/frames_config.xml".
#pragma once

#include <QImage>
#include <QString>
#include <vector>

struct FrameEntry {
  QString name;         // frame_name
  QString previewPath;  // frames folder + preview_path
  QString framePath;    // frame_path as written (relative to the frames folder)
  QImage preview;       // null when the preview cannot be read
};

class FrameCatalogue {
 public:
  static FrameCatalogue& Instance();

  // Program folder + "data/frames/".
  static QString FramesFolder();
  // Reads the catalogue and appends its entries; false when the file is missing or unparseable.
  bool LoadCatalogue();
  // Same, from another catalogue file (previews relative to the given frames folder).
  bool LoadCatalogueFrom(const QString& catalogueFile, const QString& framesFolder);
  void ReleasePreviews();
  void Clear() { entries_.clear(); }

  int Count() const { return int(entries_.size()); }
  // Null outside the catalogue.
  const FrameEntry* Entry(int index) const;
  // Full path of an entry's frame file ("\" read as "/"); empty outside the catalogue.
  QString FrameFilePath(int index) const;

 private:
  FrameCatalogue() = default;
  std::vector<FrameEntry> entries_;
  QString folder_;
};

// Turns a path from a data file written on Windows into one for this system.
QString portablePath(QString path);
