#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_trace.h"
#include "chart/strip_chart.h"
#include "comm/data_server.h"
#include "gui_base/request_channel.h"
#include "plot/gain_marks.h"
#include "plot/gain_tuning.h"
#include "plot/plot_config.h"
#include "plot/printed_plot.h"
#include "plot/sample_buffer.h"
#include "plot/step_reference.h"
#include "plot/step_response.h"
#include "views/comm_timeout_dialog.h"
#include "views/step_figures_panel.h"

namespace zvr {

class CRegistrySettings;
class TuningLog;
class UserPrompt;

// "Parameter Plot": two live variables sampled at a fixed rate on a strip chart, their last
// values, and the governor's P, I and D gains, which the keyboard tunes while the technician
// watches the response. The plot setup lives in the settings and is edited in Plot Setup.
//
// While one trace is the reference (a set point such as n_desired) and the other plots its
// response, each step of the reference is measured over the chart's time scale and its figures
// stand beside the chart. Each gain written marks the chart at that moment; the marks scroll
// with the traces and go into the printed plot and the saved plot data. Gain writes and
// measured steps go into the tuning log, when the view has one. Time for the figures is counted
// in sample periods: plotting pauses while a gain is written, and that pause is not counted.
class CStripChartView : public QWidget, public DocumentView {
    Q_OBJECT
public:
    // Notifications of the view's requests.
    static constexpr uint32_t kGainsRead = 1124;
    static constexpr uint32_t kGainsReadFailed = 1125;
    static constexpr uint32_t kGainWritten = 1126;
    static constexpr uint32_t kGainWriteFailed = 1127;
    static constexpr uint32_t kValuesRead = 1128;
    static constexpr uint32_t kValuesReadFailed = 1129;

    CStripChartView(CDataServer& document, CRegistrySettings& settings, UserPrompt& prompt,
                    QWidget* parent = nullptr);
    ~CStripChartView() override;

    void OnDocumentUpdate(int hint) override;
    // Looks the plotted variables and the gains up again: a renamed one is kept under its new
    // name, a deleted one is dropped.
    void OnDefinitionsEdited(const DefinitionEdit& edit) override;

    void StartStop();
    void Configure();
    void SaveToFile();
    // Where gain writes and measured steps are logged; none logs nothing.
    void SetTuningLog(std::shared_ptr<TuningLog> log) { log_ = std::move(log); }
    // The page the print commands draw from the sample buffers, at the printer's resolution.
    PrintedPlot PrintedPage(int dotsPerInchX, int dotsPerInchY) const;

    bool running() const { return running_; }
    bool gainsValid() const { return gainsValid_; }
    bool writeInProgress() const { return writeInProgress_; }
    // The gain whose edit is writable (P, I or D), or none.
    std::optional<Gain> selectedGain() const;
    // The scalar a gain's edit writes, or empty when the strategy has no such gain.
    const std::string& gainName(Gain gain) const { return gainNames_[static_cast<int>(gain)]; }
    // The variable a plot shows, by the name in its setup ("NO PLOT" shows none).
    const std::string& plotName(int plot) const { return plots_[plot - 1].name; }
    CStripChart* chart() const { return chart_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* configureButton() const { return configure_; }
    QPushButton* saveButton() const { return save_; }
    QLineEdit* gainEdit(Gain gain) const { return gainEdits_[static_cast<int>(gain)]; }
    QLabel* gainLabel(Gain gain) const { return gainLabels_[static_cast<int>(gain)]; }
    QLabel* plotLabel(int plot) const { return plotLabels_[plot - 1]; }
    QLineEdit* indicator(int plot) const { return indicators_[plot - 1]; }
    const SampleBuffer& samples(int plot) const { return buffers_[plot - 1]; }
    CCommTimeoutDlg* timeoutDialog() const { return timeout_.dialog(); }
    const QTimer& sampleTimer() const { return sampleTimer_; }
    StepFiguresPanel* figuresPanel() const { return figures_; }
    // The reference and response traces, or nothing while no step can be measured.
    const std::optional<ReferencePair>& referencePair() const { return pair_; }
    // The gain changes within the sample buffers.
    std::vector<PlotMark> Marks() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Definitions are kept by name and looked up where they are used: another view may
    // rename or delete them at any time.
    struct Plot {
        std::string name;
        std::string minimum;
        std::string maximum;
        CChartTrace trace;
    };

    void CreateControls();
    // The three rows of controls under the chart; sets the view's minimum width to them.
    void PlaceControls();
    void PlaceChart();
    static void FitLabel(QLabel* label, int usualWidth);
    void ReadSetup();
    void ApplySetupToChart();
    // The reference pair and the measurement after the setup changed; a step being measured
    // is dropped.
    void RestartMeasuring();
    void MeasureSample(bool fresh);
    void LogSteps(const std::vector<StepFigures>& steps);
    void ShowLatestStep();
    std::array<std::string, 3> GainsAtStep(double time);
    void Log(const std::array<std::string, 3>& gains, std::optional<StepFigures> step);
    void MarkGainWritten(int gain);
    VariableDef* PlotVariable(size_t plot) const;
    const ScalarDef* GainScalar(int gain) const;
    void ShowGains();
    void FollowVariableEdit(const DefinitionEdit& edit);
    void FollowScalarEdit(const DefinitionEdit& edit);
    void ReadGains();
    // Plotting after a gain read or write goes on where it stopped; any other start begins
    // afresh.
    void Start(bool resume = false);
    void Stop();
    void Sample();
    void OnMessage(const PostedMessage& message);
    void OnValues();
    void OnValuesFailed();
    void OnGains();
    void OnGainWritten();
    bool HandleKey(QKeyEvent* key);
    void SelectGain(int gain);
    void DeselectGain();
    void StepSelectedGain(bool up);
    void WriteSelectedGain();
    void GainEditLeft();
    void Detach();
    PlotSettings Settings() const;

    CDataServer* document_;
    CRegistrySettings& settings_;
    UserPrompt& prompt_;
    RequestChannel channel_;

    std::array<Plot, 2> plots_;
    int timeScale_ = 10;
    int sampleRate_ = 100;
    GridDivisions grid_;
    std::array<SampleBuffer, 2> buffers_;
    std::array<double, 2> lastValues_{};
    std::vector<std::string> requested_;  // the variables of the running read, in order
    GainNames gainNames_;
    std::vector<uint16_t> gainRequest_;  // the addresses of the last gain read
    int selected_ = -1;                  // the gain whose edit is writable, or none
    int written_ = -1;                   // the gain of the write in progress
    bool running_ = false;
    bool resumeWhenBack_ = false;  // stopped by a lost link: reads again when it is back
    bool newData_ = false;
    bool gainsValid_ = false;
    bool gainsUnsaved_ = false;
    bool writeInProgress_ = false;
    bool restartAfter_ = false;
    bool resumeAfter_ = false;  // the restart after a gain read or write resumes
    double demoTime_ = 0.0;

    PlotReference reference_ = PlotReference::Automatic;
    std::string settlingBand_;
    std::optional<ReferencePair> pair_;
    StepTracker tracker_;
    uint64_t samplesTaken_ = 0;  // since the sample buffers were last cleared
    GainMarks marks_;
    std::array<std::string, 3> confirmedGains_;  // as the controller holds them
    // The gains in force at each step still measured, by the step's time.
    std::vector<std::pair<double, std::array<std::string, 3>>> stepGains_;
    std::optional<StepFigures> shownStep_;  // the figures beside the chart
    std::array<std::string, 3> shownGains_;
    bool shownFromTracker_ = false;  // shownStep_ is the tracker's latest, not an older one's
    std::shared_ptr<TuningLog> log_;

    CStripChart* chart_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* configure_ = nullptr;
    QPushButton* save_ = nullptr;
    std::array<QLabel*, 3> gainLabels_{};
    std::array<QLineEdit*, 3> gainEdits_{};
    std::array<QLabel*, 2> plotLabels_{};
    std::array<QLineEdit*, 2> indicators_{};
    StepFiguresPanel* figures_ = nullptr;
    QTimer sampleTimer_;
    CommTimeoutWindow timeout_;
};

}  // namespace zvr
