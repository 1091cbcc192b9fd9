// A file or folder specification: a path whose last part is the file name, or which ends in the
// separator for a folder, with the folder operations the export writer and the caches need.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class XFileSpec {
 public:
  // The empty specification.
  XFileSpec() = default;
  // A specification of the path, as SetPath.
  explicit XFileSpec(const QString &path) { SetPath(path); }
  // A folder specification of the path (a separator is added when missing).
  static XFileSpec Folder(const QString &path);
  // The longest path the platform accepts, in bytes, its closing NUL included.
  static size_t MaxPathBytes();

  // Sets the path; "\" becomes the native separator, a leading "./" is dropped, any other path that
  // begins with "." throws "No support for relative paths: %s".
  void SetPath(const QString &path);
  // The whole path.
  const QString &Path() const { return path_; }
  // The path in the file system's encoding.
  QByteArray NativePath() const;
  // The file-name part; empty for a folder specification.
  QString FileName() const;
  // The folder part, up to and including its last separator.
  QString FolderPath() const;
  // True when the path ends in a separator.
  bool IsFolder() const;
  bool IsEmpty() const { return path_.isEmpty(); }

  // Replaces the file name, or appends it to a folder; throws "Appended length (%u) would make path
  // length exceed maximum %u." when the result would not fit the platform's path limit.
  void SetFileName(const QString &name);
  // Appends a folder name and a separator to the folder part (the specification becomes a folder).
  void AddFolder(const QString &name);
  // Moves to the folder above: a folder loses its last name, a file specification becomes the
  // folder that holds its folder. False (unchanged) at the root.
  bool Parent();

  // True when the file system knows the path, or when it cannot tell (an unreachable location
  // counts as existing, so that nothing is recreated over it).
  bool Exists() const;
  // Creates missing parent folders, then the folder or an empty file (an existing file is kept);
  // throws "Error creating spec: %s".
  void Create() const;
  // Deletes a file (read-only or not) or a folder with its contents; a path that does not exist is
  // left alone. Throws "Could not delete spec: %s" with the system's error code.
  void Delete() const;
  // Deletes every file of this folder whose name matches the wildcard ("*.*": all files).
  void DeleteMatching(const QString &wildcard = QStringLiteral("*.*")) const;
  // The entries of this folder whose names match the wildcard, sorted by name; folders come back as
  // folder specifications. Letter case is ignored in matching, as on the product's platform.
  std::vector<XFileSpec> List(const QString &wildcard = QStringLiteral("*.*"),
                              bool foldersOnly = false) const;

  // True when a name matches a wildcard of "*" and "?" (letter case ignored; "*.*" matches every name).
  static bool MatchesWildcard(const QString &name, const QString &wildcard);

  friend bool operator==(const XFileSpec &, const XFileSpec &) = default;

 private:
  void CheckAppendedLength(const QString &appended, qsizetype keptLength) const;

  QString path_;
};
