#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/progress_display.h"
#include "calibration/scalar_walk.h"
#include "definitions/definition_set.h"

namespace zvr {

class CDataServer;
class ReplacingFile;
class RestorePoints;
class UserPrompt;

// What the calibration-file commands are doing.
enum class CalFileMode : int {
    Idle = 0,
    ControllerToText = 1,  // "Convert ZEVAR Cal to text"
    Save = 2,
    Compare = 3,
    Download = 4,
};

// The password read before a download.
inline constexpr uint32_t kPasswordReadDone = 1130;
inline constexpr uint32_t kPasswordReadFailed = 1131;

// Texts the commands show that a host without windows (zvr-cli) acts on.
inline constexpr const char* kNotWritable = "The selected file could not be opened for writing.";
inline constexpr const char* kWriteToFileError = "There was an error writing to the file";
inline constexpr const char* kSelectedFileUnreadable = "There was an Error reading Selected File";
inline constexpr const char* kEditCommentsQuestion =
    "Do you wish to edit the new Cal File Comments?";
inline constexpr const char* kCreatedSuccessfully = " Created Successfully";  // after the path
inline constexpr const char* kCalReadError = "Cal Read Error. Operation Aborted";
inline constexpr const char* kCalWriteError = "Cal Write Error. Operation Aborted";
inline constexpr const char* kReadPasswordError = "Read PASSWORD Error. Operation Aborted";
inline constexpr const char* kDownloadedSuccessfully =
    "The calibration file was downloaded successfully.";
inline constexpr const char* kDownloadedExcept =
    "The calibration file was downloaded except these scalars, which were not written because "
    "the controller takes only 1- and 2-byte values: ";  // the names follow
inline constexpr const char* kFileMatchesController = "File Matches Controller";
// A download of a file whose every value the controller holds already.
inline constexpr const char* kNothingToWrite =
    "The controller already holds every value of the file: nothing was written.";
// A download that read back other values than it wrote; the differences follow, one a line.
inline constexpr const char* kVerifyDiffers =
    "The calibration file was written, but the controller reads back other values:";
inline constexpr const char* kVerifyReadFailed =
    "Cal Read Error. The calibration file was written, but its values could not be read back "
    "to check them.";
inline constexpr const char* kConversionSuccessful = "Operation was successful";
inline constexpr const char* kSkipScalarQuestionEnd =
    "\r\nDo you wish to continue, skipping this scalar?";  // after the missing scalar's name

// The progress line of a scalar whose request goes out again.
std::string RetryLine(const std::string& name, int attempt);
// A download that stopped part way: where, what the controller now holds, what to do. check:
// what reading the scalar it stopped at back found, when its commit was not confirmed.
std::string PartialDownloadText(const ScalarDef* stoppedAt, WriteCheck check = WriteCheck::None);
// "NAME: file 4.00, controller 5.00" for a download's read-back.
std::string VerifyDifferenceLine(const ScalarDef& scalar, uint32_t controllerRaw);
// A value read back after scalar's cal-file value was written shows that the write landed:
// the same raw value; in the fault history, into which the controller latches its active
// faults at once, every bit written.
bool ReadBackAsWritten(const ScalarDef& scalar, uint32_t read);

// One scalar whose controller value differs from the file's, as the compare report lists it.
struct CompareMismatch {
    std::string name;
    ScalingSpec scaling;
    std::string units;
    uint32_t fileRaw = 0;
    uint32_t controllerRaw = 0;
};

// The text dialog: a title, a text field, two buttons.
struct TextDialogRequest {
    std::string title;
    std::string text;
    std::string okText = "Save to File";
    std::string cancelText = "Close";
    bool editable = false;
};

// The windows the commands need besides message boxes and file choices.
class CalFileUi : public ProgressDisplay {
public:
    // The comment editor on set's comments, showing path; true after OK.
    virtual bool EditComments(DefinitionSet& set, const std::string& path) = 0;
    // The text after OK (what was typed, when editable); nothing after cancel.
    virtual std::optional<std::string> ShowText(const TextDialogRequest& request) = 0;
    // Shows a written text file in the desktop's viewer.
    virtual void OpenWithShell(const std::string& path) = 0;
};

struct CalFileContext {
    CDataServer& document;  // the connected controller's strategy and link
    UserPrompt& prompt;
    CalFileUi& ui;
    bool engineeringMode = false;
    std::string startDirectory;  // where a strategy named without a folder is found
    bool verifyDownload = true;  // read every written scalar back after a download
};

// The calibration-file commands: save the controller's calibration to a file, download a file
// into the controller, compare them, turn calibrations into text, and carry a file's values
// over to the loaded strategy. The commands that talk to the controller run the scalar walk;
// their host hands every message posted to its receiver to Handle().
//
// Every file is written beside its target and put in its place only when complete, so a
// failed or aborted command leaves the file the user chose as it was. While a walk or the
// password read is under way, further commands are ignored.
class CalFileOperations : private ScalarWalkListener {
public:
    CalFileOperations(CalFileContext context, ReceiverHandle receiver);
    ~CalFileOperations() override;

    void Save();
    void Download();
    void Compare();
    // Download and Compare of a file already chosen (a restore point).
    // command names the write in the restore point: "download", "restore".
    void DownloadFile(const std::string& path, const std::string& command = "download");
    void CompareFile(const std::string& path);
    void ConvertControllerToText();
    void ConvertFileToText();
    void ConvertFileToStrategy();
    void ViewTextFile();

    // The progress display's Abort: the walk stops, nothing is written to a file, what was
    // written to the controller stays written.
    void Abort();
    // A message posted to the host's receiver; true when it was the commands'.
    bool Handle(const PostedMessage& message);

    CalFileMode mode() const { return mode_; }
    bool busy() const { return mode_ != CalFileMode::Idle || awaitingPassword_; }
    // The scalar a download is writing now; none when no download's write is under way.
    const ScalarDef* writingScalar() const;
    // A download's read-back is under way: everything has been written.
    bool verifying() const { return verifying_; }
    void setVerifyDownload(bool verify) { context_.verifyDownload = verify; }
    // Where a download keeps the controller's calibration before it writes; with a store, a
    // download reads the whole calibration first (the controller's password with it), writes
    // only the values that differ and reads back only those. Without one (or in demo mode) it
    // reads the password alone and writes every value.
    void setRestorePoints(RestorePoints* store) { restorePoints_ = store; }
    // The restore point the last download kept; empty when it kept none.
    const std::string& restorePoint() const { return restorePoint_; }
    // The document of the last command, kept after a download until the next command.
    const DefinitionSet* temporaryDocument() const { return temporary_.get(); }
    // The differences the last compare found, in name order.
    const std::vector<CompareMismatch>& compareMismatches() const { return mismatches_; }
    // "PATH: the system's reason" for the last file that could not be written; the message
    // shown has it as its second line.
    const std::string& writeFailure() const { return writeFailure_; }

private:
    bool CreateTemporary(const char* failureText);
    void ReleaseTemporary();
    // A fresh temporary document loaded from a chosen cal file; false (with the message shown)
    // when it cannot be read.
    bool LoadTemporary(const std::string& path);
    // Checks that a chosen file can be replaced; false (with the message shown) when it cannot
    // be written.
    bool OpenOutput(const std::string& path);
    // Opens a chosen file for replacing; false (with the message shown) when it cannot be.
    bool OpenChosenFile(ReplacingFile& file, const std::string& path);
    // The message text with the file and the system's reason after it, kept in writeFailure().
    std::string WriteFailed(const std::string& text, const std::string& path,
                            const ReplacingFile& file);
    bool StartWalk(CalFileMode mode, const SortedTable<ScalarDef>& table);
    // One phase of a download: its first line, the table it walks and the way.
    void StartPhase(const char* line1, const SortedTable<ScalarDef>& table,
                    WalkDirection direction);
    void EndWalk();
    void StartDownloadWalk();
    void RequestPassword();
    // A failed or doubtful password read: true when it went out again.
    bool RetryPassword(bool ok);
    void OnPasswordRead(bool ok, uint16_t word);
    // The password question for the controller's password; false when the person aborts.
    bool AskPassword(uint32_t controllerPassword);
    // With a store (and not in demo mode) a download reads the whole calibration first.
    bool WritesOnlyChanges() const;
    void FinishSave();
    void FinishCompare();
    void FinishPointRead();
    void FinishDownload(const WalkEnd& end);
    void FinishVerify();
    void FinishControllerText();
    void SaveCompareLog(const std::string& report);
    std::optional<std::string> AskComments(size_t maxLength);

    void OnWalkStep(const ScalarDef& scalar, size_t position, size_t total) override;
    void OnWalkRetry(const ScalarDef& scalar, int attempt) override;
    void OnWalkValue(ScalarDef& scalar, uint32_t raw) override;
    void OnWalkEnd(const WalkEnd& end) override;

    CalFileContext context_;
    ReceiverHandle receiver_;
    CScalarWalk walk_;
    CalFileMode mode_ = CalFileMode::Idle;
    std::unique_ptr<DefinitionSet> temporary_;
    std::string outputText_;  // the controller calibration as text, written at the end
    std::string path_;
    ProgressState progress_;
    bool awaitingPassword_ = false;
    uint16_t passwordAddress_ = 0;
    uint32_t passwordMark_ = 0;  // the link's stray count when the read went out
    int passwordTries_ = 0;
    bool passwordAsked_ = false;  // the password question of this download is answered
    std::vector<CompareMismatch> mismatches_;
    bool verifying_ = false;  // the download's read-back is under way
    RestorePoints* restorePoints_ = nullptr;
    std::string writeCommand_ = "download";
    std::string restorePoint_;
    bool readingPoint_ = false;  // the download's whole read (the restore point) is under way
    std::unique_ptr<DefinitionSet> point_;    // what the controller held before the download
    std::unique_ptr<DefinitionSet> changes_;  // the file's scalars whose values differ
    std::vector<std::string> notWritten_;
    std::vector<std::string> verifyDifferences_;
    std::string report_;
    std::string writeFailure_;
};

}  // namespace zvr
