#include "command.h"
#include "commands.h"

namespace zvr::cli {

namespace {

constexpr Command kCommands[] = {
    {"compile", "compile a strategy source into a cal file",
     "usage: zvr-cli compile SOURCE.json -o FILE.000\n"
     "\n"
     "Compiles a strategy source, with the base sources it names, into a cal file.\n"
     "The file is replaced only when the whole source compiled.\n",
     RunCompile},
    {"decompile", "write a cal file as a strategy source",
     "usage: zvr-cli decompile FILE.000 [-o SOURCE.json]\n"
     "\n"
     "Writes every definition of a cal file as a standalone strategy source (to standard\n"
     "output without -o). Compiling that source gives the same file again.\n",
     RunDecompile},
    {"check", "check strategies for what ZVR relies on",
     "usage: zvr-cli check FILE...\n"
     "\n"
     "Checks cal files or strategy sources (*.json): names used twice, scalars sharing\n"
     "EEPROM bytes, unknown scaling types and sizes, view items without a variable, fault\n"
     "history scalars against diagnostics, and everything the model's calibration wizard\n"
     "needs. Prints one line per problem, or a summary when there is none.\n"
     "Exit 0 when every file passes, 1 when one has problems, 2 when one cannot be read.\n",
     RunCheck},
    {"report", "write the definition text report of a cal file",
     "usage: zvr-cli report FILE [--full] [-o OUT.txt]\n"
     "\n"
     "Writes the text report \"Convert Cal File to Text\" makes without comments: the\n"
     "comments and every scalar's value, or with --full every section of the file.\n"
     "Lines end in CR LF. To standard output without -o; on a terminal its text is shown\n"
     "in the terminal's encoding, anywhere else the file's bytes are kept.\n",
     RunReport},
    {"identify", "identify the controller on a port",
     "usage: zvr-cli identify --port NAME [--strategy-dir DIR] [--json]\n"
     "\n"
     "Opens the port (or a demo key such as DEMO740), identifies the controller as ZVR does\n"
     "(four attempts) and loads the strategy file it names; prints the model, the strategy,\n"
     "the strategy file and whether access is open.\n",
     RunIdentify},
    {"get", "read scalars and variables",
     "usage: zvr-cli get NAME... --port NAME [--strategy-dir DIR] [--json]\n"
     "\n"
     "Reads each named scalar once, and each named variable from one set of a continuous\n"
     "read; prints name, value and units per line.\n",
     RunGet},
    {"set", "change one calibration scalar",
     "usage: zvr-cli set NAME VALUE --port NAME [--password TEXT] [--strategy-dir DIR] [--eng]\n"
     "\n"
     "Checks VALUE against the range the scalar's scaling can hold, writes and commits it,\n"
     "reads it back and prints the value the controller now holds. E2BOOT and\n"
     "EEPROM_ITEGRITY change only with --eng. A controller whose access is closed needs\n"
     "--password.\n",
     RunSet},
    {"monitor", "watch up to ten variables",
     "usage: zvr-cli monitor NAME... --port NAME [--interval MS] [--duration S] [--csv FILE]\n"
     "                       [--reconnect] [--strategy-dir DIR]\n"
     "\n"
     "Reads the variables continuously and prints one line per set with its time in\n"
     "seconds (at most one line per interval). With --csv also writes them to FILE with a\n"
     "header row naming each column with its units (\"engine_rpm [rpm]\"); step-response\n"
     "judges such a recording. A set the line spoiled is counted and skipped; the count of\n"
     "bad sets is printed at the end. Without --reconnect a time-out or a vanished device\n"
     "ends the command (exit 3); with it, the gap is marked (a line \"link lost\", and a CSV\n"
     "row with the time and empty values), the device is waited for, and when it is back\n"
     "the controller is identified again and reading goes on. Stops after --duration\n"
     "seconds (also while waiting for the device) or at Ctrl-C, SIGTERM or SIGHUP; the\n"
     "controller is always told to stop. A CSV row that cannot be written ends the command\n"
     "(exit 2).\n",
     RunMonitor},
    {"step-response", "measure the steps of a monitor recording",
     "usage: zvr-cli step-response FILE.csv [--response NAME] [--reference NAME]\n"
     "                             [--band PERCENT] [--json]\n"
     "\n"
     "Finds every step of the reference in a recording of zvr-cli monitor --csv and prints\n"
     "one line per step: its time and levels, the response's overshoot (% of the step),\n"
     "rise time (10-90 %), settling time (into +- PERCENT % of the new reference, 2 by\n"
     "default; \"not settled\" when the response is outside at the next step or the end, or\n"
     "entered only in the last quarter of that time) and steady-state error (reference\n"
     "minus response over that last quarter). The reference defaults to the column named as a\n"
     "set point (n_desired), the response to the first other one. A step is a change of the\n"
     "reference by more than 5 %; a ramp counts as one step. --json prints an array with one\n"
     "object per step: time, from, to, overshoot_percent, rise_s, settling_s (null: not\n"
     "settled), error. Needs no controller. Exit 1 when the recording holds no step.\n",
     RunStepResponse},
    {"save", "save the controller's calibration to a file",
     "usage: zvr-cli save OUT.ZVR --port NAME [--comment TEXT]... [--strategy-dir DIR]\n"
     "\n"
     "Reads every scalar of the controller and writes them to OUT.ZVR with the comments\n"
     "given. The file is replaced only when the whole calibration was read.\n",
     RunSave},
    {"download", "write a calibration file into the controller",
     "usage: zvr-cli download FILE --port NAME [--on-mismatch abort|continue]\n"
     "                           [--password-mismatch change|keep|abort] [--strategy-dir DIR]\n"
     "                           [--no-verify]\n"
     "\n"
     "Checks that FILE was made for the controller's model (and, for ZEVAR 740 files, its\n"
     "strategy). Then it reads the controller's whole calibration, its password with it;\n"
     "settles a password that differs from FILE's; keeps what it read as a restore point\n"
     "(zvr-cli history), writes only the scalars of FILE whose value differs, and reads\n"
     "back only those; when none differs nothing is written. --on-mismatch answers the\n"
     "model and strategy questions; --password-mismatch settles a password that differs:\n"
     "change writes the file's, keep writes all but PASSWORD, abort writes nothing.\n"
     "Questions no option answers are asked on the terminal; without one, the download is\n"
     "abandoned. A request that fails is tried three more times. --no-verify skips the\n"
     "read-back; a difference is named with both values.\n"
     "Exit 1 when the download was abandoned before anything was written, 2 when the\n"
     "restore point cannot be written (nothing was sent), 3 when the controller failed (it\n"
     "then holds some new and some old values: run the download again) or read back other\n"
     "values.\n",
     RunDownload},
    {"compare", "compare the controller's calibration with a file",
     "usage: zvr-cli compare FILE --port NAME [--strategy-dir DIR] [--json]\n"
     "\n"
     "Reads the controller's value of every scalar of FILE and prints the differences.\n"
     "Exit 0 when the file matches the controller, 1 when they differ.\n",
     RunCompare},
    {"history", "list the restore points and the change journal",
     "usage: zvr-cli history [--port NAME] [--strategy-dir DIR] [--json]\n"
     "\n"
     "Lists, newest first, the restore points (the calibration read from a controller\n"
     "before a download or a restore wrote to it) and the change journal (one\n"
     "line per value changed by set, Change Calibration or a password change). With\n"
     "--port only those of the controller connected there. The program and zvr-cli keep\n"
     "them in $XDG_DATA_HOME/zvr/restore-points (~/.local/share/zvr/restore-points), the\n"
     "newest RestorePointsKept (50) points of each unit. Text lines are tab-separated:\n"
     "time, \"point\", command, unit, name; or time, \"change\", name, old -> new, unit.\n",
     RunHistory},
    {"restore", "write a restore point back into the controller",
     "usage: zvr-cli restore POINT --port NAME [--strategy-dir DIR] [--no-verify]\n"
     "\n"
     "Downloads a restore point (a name that history lists, or a cal file's path), taking\n"
     "a new restore point first, so a restore can be undone too. When the controller\n"
     "already holds every value, nothing is written. The point's password is written\n"
     "back with the rest; a point of another model or strategy is asked about. Exit as\n"
     "download; 2 when POINT is not found or the new restore point cannot be written.\n",
     RunRestore},
    {"convert-strategy", "carry a cal file's values over to another strategy",
     "usage: zvr-cli convert-strategy SOURCE TARGET.000 OUT.ZVR [--skip-missing]\n"
     "                                [--strategy-dir DIR]\n"
     "\n"
     "Writes OUT.ZVR: the strategy file TARGET.000 with the value of every scalar of SOURCE\n"
     "that TARGET.000 has too. TARGET.000 is looked for as a controller's strategy is: in the\n"
     "current folder, the --strategy-dir folders and the data folders. A scalar of SOURCE\n"
     "that TARGET.000 lacks stops the command with nothing written (exit 1), unless\n"
     "--skip-missing leaves it out. Needs no controller. OUT.ZVR is replaced only when it was "
     "written whole.\n",
     RunConvertStrategy},
    {"faults", "read and clear the controller's faults",
     "usage: zvr-cli faults --port NAME [--history] [--clear current|history] [--json]\n"
     "                      [--strategy-dir DIR]\n"
     "\n"
     "Prints the active faults decoded from the diagnostics and, with --history, the fault\n"
     "history of the EE_FAULTS scalars. --clear zeroes the active faults or the history\n"
     "first, as Display Faults' Clear buttons do.\n",
     RunFaults},
    {"password", "check or change the controller password",
     "usage: zvr-cli password --check TEXT --port NAME [--strategy-dir DIR]\n"
     "       zvr-cli password --change NEW [--old TEXT] --port NAME [--strategy-dir DIR]\n"
     "\n"
     "--check opens the controller's access with the password. --change sets a new\n"
     "password; when access is closed, --old gives the current one first.\n"
     "Exit 1 when the password is wrong.\n",
     RunPassword},
    {"wizard", "run the controller's calibration wizard on the terminal",
     "usage: zvr-cli wizard --port NAME [--answers FILE] [--plot-setup] [--save FILE]\n"
     "                      [--strategy-dir DIR]\n"
     "\n"
     "Reads the fault flags and the whole calibration, asks the wizard's questions page by\n"
     "page, shows the summary, asks \"Calibrate the controller now?\" and writes the whole\n"
     "calibration. --answers answers questions from a JSON file (see the README); what it\n"
     "leaves open is asked on the terminal, and with no terminal the run is cancelled.\n"
     "--plot-setup writes the Parameter Plot set-up to the program's settings\n"
     "(~/.config/TELQ/ZVR.ini, where zvr reads it), --save saves\n"
     "the calibration written to FILE. Ctrl-C cancels, putting back what the analog\n"
     "calibration changed. Exit 0 written, 1 cancelled or refused, 3 the controller failed.\n",
     RunWizard},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace zvr::cli
