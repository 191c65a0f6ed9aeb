#include "calibration/cal_file_operations.h"

#include <algorithm>
#include <new>

#include "calibration/cal_transfer.h"
#include "calibration/download_checks.h"
#include "calibration/report_text.h"
#include "calibration/restore_points.h"
#include "comm/data_server.h"
#include "common/replacing_file.h"
#include "common/stored_text.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "definitions/scaling.h"
#include "definitions/text_report.h"
#include "monitoring/fault_list.h"

namespace zvr {

namespace {

constexpr const char* kSaveToTitle = "Select/Create File Name to save to.";
constexpr const char* kOutOfMemory = "Out of Memory";
constexpr const char* kReportError = "There was an error generating file.";
constexpr const char* kProcessing = "Processing Calibration Values";
constexpr const char* kTextExtension = "*.txt";
constexpr const char* kLogFilter = "text Files (*.txt)|*.txt||";
constexpr const char* kVerifying = "Reading the written values back";
// The three phases of a download that keeps a restore point.
constexpr const char* kReadingPoint = "Step 1 of 3: reading the controller's calibration";
constexpr const char* kWritingChanges = "Step 2 of 3: writing the values that differ";
constexpr const char* kVerifyingChanges = "Step 3 of 3: reading the written values back";

std::optional<std::string> ChooseCalFile(UserPrompt& prompt, const char* title) {
    return prompt.chooseFile(
        {FileChoiceMode::Open, title, kCalFileOpenFilter, kCalFileOpenExtension, ""});
}

std::optional<std::string> ChooseSaveFile(UserPrompt& prompt, const char* title, const char* filter,
                                          const char* extension, std::string suggested = {}) {
    return prompt.chooseFile(
        {FileChoiceMode::Save, title, filter, extension, std::move(suggested)});
}

// A cal file written into the replacement and put in place of the target.
bool CommitCalFile(ReplacingFile& file, DefinitionSet& set, const std::string& strategyName) {
    return file.Fill([&](const std::string& temporary) {
        return WriteCalFile(set, temporary, strategyName) == 0;
    }) && file.commit();
}

// A strategy named without a folder (as a controller names it) is found in the directory the
// program started in.
std::string InStartDirectory(const std::string& path, const std::string& startDirectory) {
    if (path.empty() || path.front() == '/' || startDirectory.empty()) return path;
    return startDirectory + "/" + path;
}

}  // namespace

std::string RetryLine(const std::string& name, int attempt) {
    return name + " - no good answer, trying again (" + std::to_string(attempt) + " of " +
           std::to_string(kWalkRetries) + ")";
}

std::string PartialDownloadText(const ScalarDef* stoppedAt, WriteCheck check) {
    std::string where =
        stoppedAt ? "at " + stoppedAt->name : "before its last values were confirmed";
    if (stoppedAt && check == WriteCheck::Unreadable) {
        where += ", whose new value was sent but could be neither confirmed nor read back";
    } else if (stoppedAt && check == WriteCheck::FoundOther) {
        where += ", whose new value the controller did not take";
    }
    return std::string(kCalWriteError) + "\r\nThe download stopped " + where +
           ". The controller now holds some new and some old values. Running the download "
           "again will finish it.";
}

std::string VerifyDifferenceLine(const ScalarDef& scalar, uint32_t controllerRaw) {
    const auto value = [&scalar](uint32_t raw) {
        std::string text = FormatValue(raw, scalar.scaling);
        return scalar.units.empty() ? text : text + " " + scalar.units;
    };
    return scalar.name + ": file " + value(scalar.fileRaw) + ", controller " + value(controllerRaw);
}

bool ReadBackAsWritten(const ScalarDef& scalar, uint32_t read) {
    const uint32_t mask = RawMask(scalar.scaling.size);
    const uint32_t written = scalar.fileRaw & mask;
    read &= mask;
    return IsFaultHistory(scalar.name) ? (read & written) == written : read == written;
}

CalFileOperations::CalFileOperations(CalFileContext context, ReceiverHandle receiver)
    : context_(std::move(context)),
      receiver_(receiver),
      walk_(context_.document, std::move(receiver)) {}

CalFileOperations::~CalFileOperations() { walk_.Stop(); }

bool CalFileOperations::CreateTemporary(const char* failureText) {
    try {
        temporary_ = std::make_unique<DefinitionSet>();
        return true;
    } catch (const std::bad_alloc&) {
        context_.prompt.error(failureText);
        return false;
    }
}

void CalFileOperations::ReleaseTemporary() { temporary_.reset(); }

bool CalFileOperations::LoadTemporary(const std::string& path) {
    ReleaseTemporary();
    if (!CreateTemporary(kOutOfMemory)) return false;
    if (LoadCalFile(*temporary_, path, context_.prompt) == 0) return true;
    context_.prompt.error(kSelectedFileUnreadable);
    ReleaseTemporary();
    return false;
}

bool CalFileOperations::OpenOutput(const std::string& path) {
    // The file is written only when the walk has brought all of it: until then no temporary
    // file waits beside the target.
    outputText_.clear();
    path_ = path;
    ReplacingFile file(path);
    if (file.writable()) return true;
    context_.prompt.warn(WriteFailed(kNotWritable, path, file));
    return false;
}

std::string CalFileOperations::WriteFailed(const std::string& text, const std::string& path,
                                           const ReplacingFile& file) {
    writeFailure_ = PathText(path) + ": " + file.failure();
    return text + "\n" + writeFailure_;
}

bool CalFileOperations::OpenChosenFile(ReplacingFile& file, const std::string& path) {
    if (file.open()) return true;
    context_.prompt.warn(WriteFailed(kNotWritable, path, file));
    return false;
}

void CalFileOperations::Save() {
    if (busy()) return;
    const auto path =
        ChooseSaveFile(context_.prompt, kSaveToTitle, kCalFileSaveFilter, kCalFileSaveExtension);
    if (!path || !OpenOutput(*path)) return;
    ReleaseTemporary();
    if (!CreateTemporary(kOutOfMemory) ||
        !StartWalk(CalFileMode::Save, context_.document.definitions.scalars)) {
        outputText_.clear();
    }
}

void CalFileOperations::Compare() {
    if (busy()) return;
    const auto path = ChooseCalFile(context_.prompt, "Choose a Calibration file to compare");
    if (path) CompareFile(*path);
}

void CalFileOperations::CompareFile(const std::string& path) {
    if (busy() || !LoadTemporary(path)) return;
    mismatches_.clear();
    report_ = CompareHeading(path);
    if (!StartWalk(CalFileMode::Compare, temporary_->scalars)) ReleaseTemporary();
}

void CalFileOperations::ConvertControllerToText() {
    if (busy()) return;
    const auto path = ChooseSaveFile(context_.prompt, kSaveToTitle, kLogFilter, kTextExtension);
    if (!path || !OpenOutput(*path)) return;
    const Identification id = context_.document.GetIdentification();
    std::string head = TodayLine() + ModelHeading(id.modelName, id.strategyText);
    if (auto comments = AskComments(std::string::npos)) head += *comments;
    outputText_ = head;
    if (!StartWalk(CalFileMode::ControllerToText, context_.document.definitions.scalars)) {
        outputText_.clear();
    }
}

void CalFileOperations::ConvertFileToText() {
    if (busy()) return;
    const auto source =
        ChooseCalFile(context_.prompt, "Select a Calibration file to Convert to Text");
    if (!source) return;
    std::unique_ptr<DefinitionSet> set;
    try {
        set = std::make_unique<DefinitionSet>();
    } catch (const std::bad_alloc&) {
        context_.prompt.plain("Fatal Error - Cannot continue");
        return;
    }
    const auto target = ChooseSaveFile(context_.prompt, kSaveToTitle, "Text Files (*.txt)|*.txt||",
                                       kTextExtension, WithoutExtension(*source));
    if (!target) return;
    if (ReplacingFile probe(*target); !probe.writable()) {
        context_.prompt.warn(WriteFailed(kNotWritable, *target, probe));
        return;
    }
    if (LoadCalFile(*set, *source, context_.prompt) != 0) {
        context_.prompt.plain("Error - Could not read selected file.");
        return;
    }
    std::string leading = ModelHeading(set->fileModelName, set->fileStrategy);
    if (auto comments = AskComments(kFileCommentLimit)) leading += *comments;
    leading += "Values converted from file : " + PathText(*source) + "\r\n\r\n";
    ReplacingFile file(*target);
    const bool written = file.open() && file.Fill([&](const std::string& temporary) {
        return writeTextReport(*set, temporary, leading, context_.engineeringMode) == 0;
    }) && file.commit();
    if (!written) {
        context_.prompt.error(WriteFailed(kReportError, *target, file));
        return;
    }
    context_.ui.OpenWithShell(*target);
}

void CalFileOperations::ConvertFileToStrategy() {
    if (busy()) return;
    const auto source = ChooseCalFile(context_.prompt, "Choose a Calibration file to convert");
    if (!source) return;
    DefinitionSet from;
    if (LoadCalFile(from, *source, context_.prompt) != 0) {
        context_.prompt.plain("Error reading source file " + PathText(*source));
        return;
    }
    DefinitionSet to;
    const std::string& strategy = context_.document.definitions.filePath;
    if (LoadCalFile(to, InStartDirectory(strategy, context_.startDirectory), context_.prompt) !=
        0) {
        context_.prompt.plain("Dupa Error reading target file " + PathText(strategy));
        return;
    }
    for (const auto& scalar : from.scalars.entries()) {
        if (ScalarDef* match = to.scalars.find(scalar->name)) {
            match->fileRaw = scalar->fileRaw;
        } else if (!context_.prompt.askYesNo("Could not find scalar " + scalar->name +
                                                 " in existing Strategy file " +
                                                 PathText(strategy) + kSkipScalarQuestionEnd,
                                             kApplicationCaption, PromptIcon::Error)) {
            return;
        }
    }
    const auto target =
        ChooseSaveFile(context_.prompt, kSaveToTitle, kCalFileSaveFilter, kCalFileSaveExtension);
    if (!target) return;
    ReplacingFile file(*target);
    if (!OpenChosenFile(file, *target)) return;
    if (!CommitCalFile(file, to, context_.document.definitions.header.strategyName)) {
        context_.prompt.plain(
            WriteFailed("There was an error writing to file " + PathText(*target), *target, file));
        return;
    }
    context_.prompt.plain(kConversionSuccessful);
}

void CalFileOperations::ViewTextFile() {
    const auto path = context_.prompt.chooseFile({FileChoiceMode::Open, "Choose a file to view",
                                                  "Text Files(*.txt)|*.txt||", kTextExtension, ""});
    if (path) context_.ui.OpenWithShell(*path);
}

std::optional<std::string> CalFileOperations::AskComments(size_t maxLength) {
    const auto typed = context_.ui.ShowText(
        {"Enter Comments for this file", "", "Save Comments", "No Comments", true});
    if (!typed) return std::nullopt;
    return CommentsBlock(*typed, maxLength);
}

bool CalFileOperations::StartWalk(CalFileMode mode, const SortedTable<ScalarDef>& table) {
    if (table.count() == 0) return false;
    // A view reading continuously would answer the walk's requests with its own replies.
    context_.document.QuietTheLink();
    mode_ = mode;
    progress_ = ProgressState{kProcessing, "", 1, static_cast<int>(table.count()), 1};
    context_.ui.ShowProgress(progress_);
    if (mode == CalFileMode::Download) {
        walk_.StartWrite(table, *this);
    } else {
        walk_.StartRead(table, *this);
    }
    return true;
}

void CalFileOperations::StartPhase(const char* line1, const SortedTable<ScalarDef>& table,
                                   WalkDirection direction) {
    progress_ = ProgressState{line1, "", 1, static_cast<int>(table.count()), 1};
    context_.ui.ShowProgress(progress_);
    if (direction == WalkDirection::Write) {
        walk_.StartWrite(table, *this);
    } else {
        walk_.StartRead(table, *this);
    }
}

const ScalarDef* CalFileOperations::writingScalar() const {
    return mode_ == CalFileMode::Download && !verifying_ && !readingPoint_ ? walk_.current()
                                                                           : nullptr;
}

void CalFileOperations::EndWalk() {
    context_.ui.HideProgress();
    mode_ = CalFileMode::Idle;
}

void CalFileOperations::Abort() {
    if (!busy()) return;
    walk_.Stop();
    awaitingPassword_ = false;
    verifying_ = false;
    readingPoint_ = false;
    outputText_.clear();
    EndWalk();
    ReleaseTemporary();
}

bool CalFileOperations::Handle(const PostedMessage& message) {
    if (walk_.Handle(message)) return true;
    if (!awaitingPassword_ ||
        (message.message != kPasswordReadDone && message.message != kPasswordReadFailed)) {
        return false;
    }
    const bool ok = message.message == kPasswordReadDone && message.wParam == 1;
    const uint16_t word = context_.document.RequestValues()[0];
    if (!RetryPassword(ok))
        OnPasswordRead(ok && context_.document.StrayCount() == passwordMark_, word);
    return true;
}

void CalFileOperations::OnWalkStep(const ScalarDef& scalar, size_t position, size_t) {
    progress_.line2 = scalar.name;
    progress_.position = std::min(static_cast<int>(position) + 1, progress_.maximum);
    context_.ui.ShowProgress(progress_);
}

void CalFileOperations::OnWalkRetry(const ScalarDef& scalar, int attempt) {
    progress_.line2 = RetryLine(scalar.name, attempt);
    context_.ui.ShowProgress(progress_);
}

void CalFileOperations::OnWalkValue(ScalarDef& scalar, uint32_t raw) {
    switch (mode_) {
        case CalFileMode::ControllerToText:
            outputText_ += ValueLine(scalar, raw);
            break;
        case CalFileMode::Save: {
            ScalarDef copy = scalar;
            copy.fileRaw = raw;
            temporary_->scalars.insert(std::move(copy));
            break;
        }
        case CalFileMode::Download:
            if (readingPoint_) {
                ScalarDef copy = scalar;
                copy.fileRaw = raw;
                point_->scalars.insert(std::move(copy));
            } else if (!ReadBackAsWritten(scalar, raw) &&
                       std::find(notWritten_.begin(), notWritten_.end(), scalar.name) ==
                           notWritten_.end()) {
                verifyDifferences_.push_back(VerifyDifferenceLine(scalar, raw));
            }
            break;
        case CalFileMode::Compare:
            scalar.controllerRaw = raw;
            if (raw != scalar.fileRaw) {
                mismatches_.push_back(
                    {scalar.name, scalar.scaling, scalar.units, scalar.fileRaw, raw});
                report_ += CompareLine(scalar, scalar.fileRaw, raw);
            }
            break;
        default:
            break;
    }
}

void CalFileOperations::OnWalkEnd(const WalkEnd& end) {
    if (end.failed) {
        // The failed scalar belongs to the temporary document: the text is made first.
        std::string text = kCalReadError;
        if (verifying_) {
            text = kVerifyReadFailed;
        } else if (readingPoint_) {
            text = std::string(kCalReadError) + "\r\nNothing was written to the controller.";
        } else if (mode_ == CalFileMode::Download) {
            text = PartialDownloadText(end.failedScalar, end.writeCheck);
        }
        const bool plain = mode_ != CalFileMode::Download;
        EndWalk();
        outputText_.clear();
        ReleaseTemporary();
        verifying_ = false;
        readingPoint_ = false;
        if (plain) {
            context_.prompt.plain(text);
        } else {
            context_.prompt.error(text);
        }
        return;
    }
    switch (mode_) {
        case CalFileMode::Save:
            FinishSave();
            break;
        case CalFileMode::Compare:
            FinishCompare();
            break;
        case CalFileMode::ControllerToText:
            FinishControllerText();
            break;
        case CalFileMode::Download:
            if (readingPoint_) {
                FinishPointRead();
            } else if (verifying_) {
                FinishVerify();
            } else {
                FinishDownload(end);
            }
            break;
        default:
            break;
    }
}

void CalFileOperations::FinishDownload(const WalkEnd& end) {
    notWritten_ = end.notWritten;
    // Demo mode keeps no written value to read back.
    if (!context_.verifyDownload || context_.document.IsDemo()) {
        FinishVerify();
        return;
    }
    // What the controller holds now, read back through the same walk: only what was written.
    verifying_ = true;
    verifyDifferences_.clear();
    if (changes_) {
        StartPhase(kVerifyingChanges, changes_->scalars, WalkDirection::Read);
    } else {
        StartPhase(kVerifying, temporary_->scalars, WalkDirection::Read);
    }
}

void CalFileOperations::FinishPointRead() {
    readingPoint_ = false;
    // The password question, asked of the password just read.
    const ScalarDef* filePassword = temporary_->scalars.find("PASSWORD");
    if (filePassword != nullptr && !passwordAsked_ &&
        !AskPassword(point_->scalars.find("PASSWORD")->fileRaw)) {
        EndWalk();
        point_.reset();
        ReleaseTemporary();
        return;
    }
    // The file's scalars whose raw value differs from what the controller holds, in name order.
    changes_ = std::make_unique<DefinitionSet>();
    for (const auto& scalar : temporary_->scalars.entries()) {
        const ScalarDef* held = point_->scalars.find(scalar->name);
        if (held == nullptr || held->eepromAddress != scalar->eepromAddress ||
            held->scaling.size != scalar->scaling.size || held->fileRaw != scalar->fileRaw) {
            changes_->scalars.insert(*scalar);
        }
    }
    if (changes_->scalars.count() == 0) {
        EndWalk();
        changes_.reset();
        point_.reset();
        context_.prompt.plain(kNothingToWrite);
        return;
    }
    // Nothing goes out before what the controller holds is kept.
    CDataServer& document = context_.document;
    const auto written =
        restorePoints_->Write(std::move(*point_), document.definitions.header.strategyName,
                              UnitIdentity::Of(document.GetIdentification()), writeCommand_);
    point_.reset();
    if (!written.ok()) {
        EndWalk();
        changes_.reset();
        ReleaseTemporary();
        context_.prompt.error(kRestorePointFailed + written.error);
        return;
    }
    restorePoint_ = written.path;
    StartPhase(kWritingChanges, changes_->scalars, WalkDirection::Write);
}

void CalFileOperations::FinishVerify() {
    EndWalk();
    verifying_ = false;
    if (!verifyDifferences_.empty()) {
        std::string text = kVerifyDiffers;
        for (const std::string& line : verifyDifferences_)
            text += "\r\n" + line;
        verifyDifferences_.clear();
        context_.prompt.error(text);
    } else if (notWritten_.empty()) {
        context_.prompt.plain(kDownloadedSuccessfully);
    } else {
        context_.prompt.warn(kDownloadedExcept + JoinNames(notWritten_));
    }
}

void CalFileOperations::FinishSave() {
    EndWalk();
    if (context_.prompt.askYesNo(kEditCommentsQuestion)) {
        context_.ui.EditComments(*temporary_, path_);
    }
    if (auto limit = temporary_->overLimit()) {
        outputText_.clear();
        ReleaseTemporary();
        writeFailure_ = PathText(path_) + ": " + *limit;
        context_.prompt.error(std::string(kWriteToFileError) + ": " + *limit);
        return;
    }
    ReplacingFile file(path_);
    const bool written =
        file.open() &&
        CommitCalFile(file, *temporary_, context_.document.definitions.header.strategyName);
    ReleaseTemporary();
    if (!written) {
        context_.prompt.plain(WriteFailed(kWriteToFileError, path_, file));
        return;
    }
    context_.prompt.inform(PathText(path_) + kCreatedSuccessfully);
}

void CalFileOperations::FinishCompare() {
    EndWalk();
    if (mismatches_.empty()) {
        context_.prompt.plain(kFileMatchesController);
    } else if (context_.ui.ShowText({"Compare Differences", report_})) {
        SaveCompareLog(report_);
    }
    ReleaseTemporary();
}

void CalFileOperations::SaveCompareLog(const std::string& report) {
    const auto path = ChooseSaveFile(context_.prompt, "Select/Create File Name to log to.",
                                     kLogFilter, kTextExtension);
    if (!path) return;
    ReplacingFile file(*path);
    if (!OpenChosenFile(file, *path)) return;
    if (!file.write(TodayLine() + report) || !file.commit()) {
        context_.prompt.plain(WriteFailed(kWriteToFileError, *path, file));
        return;
    }
    context_.ui.OpenWithShell(*path);
}

void CalFileOperations::FinishControllerText() {
    EndWalk();
    ReplacingFile file(path_);
    const bool written = file.open() && file.write(outputText_) && file.commit();
    outputText_.clear();
    if (!written) {
        context_.prompt.error(WriteFailed(kReportError, path_, file));
        return;
    }
    context_.ui.OpenWithShell(path_);
}

void CalFileOperations::Download() {
    if (busy()) return;
    const auto path = ChooseCalFile(context_.prompt, "Choose a Calibration file to download");
    if (path) DownloadFile(*path);
}

void CalFileOperations::DownloadFile(const std::string& path, const std::string& command) {
    if (busy() || !LoadTemporary(path)) return;
    writeCommand_ = command;
    restorePoint_.clear();
    changes_.reset();
    CDataServer& document = context_.document;
    if (!document.IsDemo() &&
        !ConfirmDownloadTarget(temporary_->header.modelKind, temporary_->header.strategyName,
                               document.GetIdentification().modelName,
                               document.definitions.header.strategyName, context_.prompt)) {
        ReleaseTemporary();
        return;
    }
    passwordAsked_ = false;
    const ScalarDef* filePassword = temporary_->scalars.find("PASSWORD");
    const ScalarDef* ownPassword = document.definitions.scalars.find("PASSWORD");
    // A download that reads the whole calibration first finds the controller's password there.
    const bool passwordInRead = WritesOnlyChanges() && ownPassword != nullptr &&
                                filePassword != nullptr &&
                                ownPassword->scaling.size == filePassword->scaling.size;
    if (filePassword == nullptr || passwordInRead) {
        StartDownloadWalk();
        return;
    }
    // A strategy without a password scalar: the controller is asked at the address the
    // download would write the file's password to, so that it is never changed unasked.
    const auto address =
        static_cast<uint16_t>((ownPassword ? ownPassword : filePassword)->eepromAddress);
    document.QuietTheLink();
    awaitingPassword_ = true;
    passwordAddress_ = address;
    passwordTries_ = 0;
    RequestPassword();
}

void CalFileOperations::RequestPassword() {
    CDataServer& document = context_.document;
    passwordMark_ = document.StrayCount();
    if (document.RequestReadScalars({&passwordAddress_, 1}, receiver_, kPasswordReadDone,
                                    kPasswordReadFailed) != 0) {
        OnPasswordRead(false, 0);
    }
}

bool CalFileOperations::RetryPassword(bool ok) {
    // Part of the download: tried again like the walk's requests, and believed only once the
    // link has settled in step.
    CDataServer& document = context_.document;
    if (ok && !document.IsDemo()) document.Settle(kSettleQuiet, kSettleLimit);
    if (ok && document.StrayCount() == passwordMark_) return false;
    if (passwordTries_ >= kWalkRetries) return false;
    ++passwordTries_;
    RequestPassword();  // the link sends it once the line has settled
    return true;
}

void CalFileOperations::OnPasswordRead(bool ok, uint16_t word) {
    awaitingPassword_ = false;
    if (!ok) {
        ReleaseTemporary();
        context_.prompt.plain(kReadPasswordError);
        return;
    }
    const ScalarDef* filePassword = temporary_->scalars.find("PASSWORD");
    if (!AskPassword(RawFromWord(*filePassword, word))) {
        ReleaseTemporary();
        return;
    }
    StartDownloadWalk();
}

bool CalFileOperations::AskPassword(uint32_t controllerPassword) {
    passwordAsked_ = true;
    const ScalarDef* filePassword = temporary_->scalars.find("PASSWORD");
    switch (ChoosePassword(filePassword->fileRaw, controllerPassword, context_.prompt)) {
        case PasswordChoice::Abort:
            return false;
        case PasswordChoice::Skip:
            temporary_->scalars.remove(filePassword);
            break;
        case PasswordChoice::Write:
            break;
    }
    return true;
}

bool CalFileOperations::WritesOnlyChanges() const {
    return restorePoints_ != nullptr && !context_.document.IsDemo();
}

void CalFileOperations::StartDownloadWalk() {
    // Demo mode keeps nothing worth restoring: every value is written, as without a store.
    if (!WritesOnlyChanges()) {
        StartWalk(CalFileMode::Download, temporary_->scalars);
        return;
    }
    // The whole calibration first: the restore point, and what the file changes.
    context_.document.QuietTheLink();
    mode_ = CalFileMode::Download;
    readingPoint_ = true;
    point_ = std::make_unique<DefinitionSet>();
    StartPhase(kReadingPoint, context_.document.definitions.scalars, WalkDirection::Read);
}

}  // namespace zvr
