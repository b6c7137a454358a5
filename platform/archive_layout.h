// The snapshot archive's layout, as the recorder writes it and every part of
// the program reads it: below the records root one folder per date
// ("yyyy-mm-dd"), in it one folder per hour ("00" to "23"), in it the
// snapshots, named by their time within the hour ("hhmmss.jpg").
//
// Names are parsed and formatted here only. The listings take Windows paths
// of the installed FileSystem; finding an archive takes host paths, since it
// runs before drive C is mapped.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace vistrel::platform {

// Where the recorder keeps its snapshots, as the window and the exporter name
// it: <date>\<hour>\<snapshot> below it.
inline constexpr const char* kRecordsRoot = "C:\\Program Files\\Vistrel\\Records";
// The snapshots of an hour folder, as the snapshot list's wildcard.
inline constexpr const char* kSnapshotPattern = "*.jpg";
inline constexpr int kLastHour = 23;

// The day a date folder's name "yyyy-mm-dd" names; an invalid date for any
// other name, also for a day that does not exist.
QDate dateOfFolderName(std::string_view name);
std::string dateFolderName(const QDate& date);

// The hour an hour folder's name "00" to "23" names; -1 for any other name.
int hourOfFolderName(std::string_view name);
// "00" to "23".
std::string hourFolderName(int hour);

// The time of the snapshot at `path` (…\yyyy-mm-dd\hh\name.jpg, "\" or "/"),
// given the file's modification time `modified` (local time):
// - the date and the hour are the folders' when the hour folder's parent
//   reads as a date and the hour folder as an hour;
// - the minutes and seconds are the name's when its stem is six digits
//   hhmmss whose hh is the hour folder's (the recorder's own names), else the
//   modification time's (00:00 when that is invalid);
// - when the folders do not read as a date and an hour, the time is the
//   modification time, whole.
QDateTime snapshotTime(const std::string& path, const QDateTime& modified);
// The time a recorder's own snapshot name gives ("hhmmss.jpg" whose hh is
// `hour`, the hour folder's); nullopt for any other name.
std::optional<QTime> namedSnapshotTime(std::string_view name, int hour);

// The hour folders "firstHour" to "lastHour" of the date folder
// `dateFolder`, in order, as full paths in their on-disk spelling. Missing
// hours and hours that cannot be entered are passed over: a show or an
// export could not list them.
std::vector<std::string> hourFolders(const std::string& dateFolder, int firstHour = 0,
                                     int lastHour = kLastHour);
// True when the folder holds at least one hour folder that can be entered.
bool holdsHourFolders(const std::string& folder);

// The date folders of the records root `recordsRoot` in the listing's order
// (which is the dates' order): its folders that hold an hour folder.
std::vector<std::string> dateFolders(const std::string& recordsRoot);

// The snapshots of an hour folder in playing order (names, no folder): the
// snapshot list's rule, see platform::ordinaryFileNames.
std::vector<std::string> snapshotNames(const std::string& hourFolder);
// The same for an hour folder given as a host path (names as the program
// spells them, see hostNameToWindows); any thread may call it.
std::vector<std::string> hostSnapshotNames(const std::filesystem::path& hourFolder);

// The records root that the host folder `folder` is or holds: in this order
// "Program Files/Vistrel/Records" (a drive root was given), "Vistrel/Records"
// (its Program Files folder), "Records" (its Vistrel folder), and `folder`
// itself when named "Records" or holding a date folder (a folder that holds
// an hour folder). Names are compared ignoring case, as the path layer does.
std::optional<std::filesystem::path> recordsRootIn(const std::filesystem::path& folder);

// Where a host path lies in an archive.
struct ArchivePlace {
  std::filesystem::path recordsRoot;  // host folder
  // The names below the records root of the folder given: none for the
  // records root (or a folder above it), the date folder's, then the hour
  // folder's, in their on-disk spelling.
  std::vector<std::string> below;
};

// The archive around the host path `path`: a folder holding a records root
// (recordsRootIn), a date folder (named as a date) or an hour folder (named
// as an hour, in a folder named as a date), or a snapshot in one of them
// (its folder counts). `path` is taken as it is: absolute and normalised by
// the caller. nullopt when none applies.
std::optional<ArchivePlace> findArchive(const std::filesystem::path& path);

}  // namespace vistrel::platform
