#include "views/strip_chart_view.h"

#include <QKeyEvent>
#include <chrono>
#include <utility>

#include "chart/gain_change_label.h"
#include "common/numbers.h"
#include "common/user_prompt.h"
#include "connection/controller_model.h"
#include "gui_base/latin1.h"
#include "plot/plot_data_file.h"
#include "plot/tuning_log.h"
#include "settings/registry_settings.h"
#include "setupdoc/plot_setup_file.h"
#include "views/form_view.h"
#include "views/plot_setup_dialog.h"

namespace zvr {

namespace {

constexpr int kControlsHeight = 100;  // below the chart: three rows of controls
constexpr int kRowOffsets[] = {84, 56, 28};
constexpr int kRowHeight = 24;
constexpr int kColumnGap = 5;
constexpr int kGainLabelWidth = 125;
constexpr int kPlotLabelWidth = 140;
constexpr const char* kLimitsWithoutVariable[] = {"0", "5000"};

double Decimal(const std::string& text) { return ParseDecimal(text); }

int DecimalsOf(const VariableDef* variable) {
    return variable != nullptr ? DecimalsForBinaryPoint(variable->scaling.binaryPoint) : 3;
}

constexpr const char* kGainLetters[] = {"P", "I", "D"};

}  // namespace

CStripChartView::CStripChartView(CDataServer& document, CRegistrySettings& settings,
                                 UserPrompt& prompt, QWidget* parent)
    : QWidget(parent),
      document_(&document),
      settings_(settings),
      prompt_(prompt),
      channel_(this, [this](const PostedMessage& message) { OnMessage(message); }) {
    setWindowTitle(QStringLiteral("Parameter Plot"));
    setFocusPolicy(Qt::StrongFocus);
    CreateControls();
    ReadSetup();
    ApplySetupToChart();
    connect(&sampleTimer_, &QTimer::timeout, this, &CStripChartView::Sample);
    document_->AddView(this);

    document_->QuietTheLink();
    gainNames_ = FindGains(document_->definitions.scalars);
    ShowGains();
    if (!GainAddresses(document_->definitions.scalars, gainNames_).empty()) {
        restartAfter_ = true;  // plotting starts when the gains have arrived
        ReadGains();
    } else {
        Start();
    }
}

CStripChartView::~CStripChartView() {
    Detach();
    channel_.Close();
}

void CStripChartView::CreateControls() {
    chart_ = new CStripChart(this);
    for (size_t n = 0; n < plots_.size(); ++n)
        chart_->AddTrace(&plots_[n].trace);
    plots_[0].trace.SetColour(QColor(0, 255, 255));
    plots_[1].trace.SetColour(QColor(255, 0, 0));
    chart_->SetTimeLabel(QStringLiteral("Time (s)"));
    chart_->SetTimeMinimum(QStringLiteral("0"));
    chart_->SetBackgroundColour(QColor(0, 0, 0));
    chart_->SetGridColour(QColor(0, 128, 0));
    chart_->SetTextColour(QColor(255, 255, 255));
    figures_ = new StepFiguresPanel(this);
    figures_->hide();

    auto button = [this](const char* text, const char* name, const char* tip) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(tip));
        b->resize(90, kRowHeight);
        b->installEventFilter(this);
        return b;
    };
    start_ = button("&Start", "startButton", "Starts/Stops updating chart with controller data");
    configure_ = button("&Configure", "configureButton",
                        "Configures plot variables, limits, and time scale");
    save_ = button("S&ave to File", "saveButton", "Saves the current data buffer to a text file");
    connect(start_, &QPushButton::clicked, this, &CStripChartView::StartStop);
    connect(configure_, &QPushButton::clicked, this, &CStripChartView::Configure);
    connect(save_, &QPushButton::clicked, this, &CStripChartView::SaveToFile);

    const char* gainCaptions[] = {"&PROPORTIONAL_GAIN", "&INTEGRAL_GAIN", "&DERIVATIVE_GAIN"};
    for (int g = 0; g < 3; ++g) {
        gainLabels_[g] = new QLabel(QString::fromLatin1(gainCaptions[g]), this);
        FitLabel(gainLabels_[g], kGainLabelWidth);
        gainEdits_[g] = new QLineEdit(this);
        gainEdits_[g]->setObjectName(QStringLiteral("gainEdit%1").arg(g));
        gainEdits_[g]->setReadOnly(true);
        gainEdits_[g]->setToolTip(
            QStringLiteral("Click or tab over to select, up+down arrows to adjust"));
        gainEdits_[g]->resize(110, kRowHeight);
        gainEdits_[g]->installEventFilter(this);
        gainLabels_[g]->setBuddy(gainEdits_[g]);
        connect(gainEdits_[g], &QLineEdit::textEdited, this, [this] {
            if (gainsValid_) gainsUnsaved_ = true;
        });
    }
    for (int p = 0; p < 2; ++p) {
        plotLabels_[p] = new QLabel(this);
        plotLabels_[p]->resize(kPlotLabelWidth, kRowHeight);
        indicators_[p] = new QLineEdit(this);
        indicators_[p]->setObjectName(QStringLiteral("indicator%1").arg(p + 1));
        indicators_[p]->setReadOnly(true);
        indicators_[p]->setToolTip(QStringLiteral("Numeric indicator of last plot point"));
        indicators_[p]->resize(110, kRowHeight);
        indicators_[p]->installEventFilter(this);
    }
    chart_->installEventFilter(this);
    installEventFilter(this);
}

void CStripChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceChart();
    PlaceControls();
}

// The step figures, when there are any to show, take a column on the chart's right.
void CStripChartView::PlaceChart() {
    const int chartHeight = std::max(height() - kControlsHeight, 0);
    const int figures = figures_->isHidden() ? 0 : std::min(StepFiguresPanel::kWidth, width() / 2);
    chart_->setGeometry(0, 0, width() - figures, chartHeight);
    figures_->setGeometry(width() - figures, 0, figures, chartHeight);
}

void CStripChartView::PlaceControls() {
    const int bottom = height();
    QWidget* columns[][3] = {
        {start_, configure_, save_},
        {gainLabels_[0], gainLabels_[1], gainLabels_[2]},
        {gainEdits_[0], gainEdits_[1], gainEdits_[2]},
        {plotLabels_[0], plotLabels_[1], nullptr},
        {indicators_[0], indicators_[1], nullptr},
    };
    // Each column starts at its usual place, or further right when the column before it
    // needs more room: a label is never covered by the edit beside it.
    const int usualX[] = {10, 110, 235, 360, 505};
    int x = 0;
    for (int c = 0; c < 5; ++c) {
        x = std::max(x, usualX[c]);
        int widest = 0;
        for (int row = 0; row < 3; ++row) {
            if (QWidget* w = columns[c][row]) {
                w->move(x, bottom - kRowOffsets[row]);
                widest = std::max(widest, w->width());
            }
        }
        x += widest + kColumnGap;
    }
    setMinimumWidth(x);
}

void CStripChartView::FitLabel(QLabel* label, int usualWidth) {
    label->resize(std::max(usualWidth, label->sizeHint().width()), kRowHeight);
}

void CStripChartView::ReadSetup() {
    const PlotSettings stored = settings_.ReadPlotSettings();
    plots_[0].name = stored.plot1Name;
    plots_[0].minimum = stored.plot1Min;
    plots_[0].maximum = stored.plot1Max;
    plots_[1].name = stored.plot2Name;
    plots_[1].minimum = stored.plot2Min;
    plots_[1].maximum = stored.plot2Max;
    timeScale_ = stored.xScale;
    sampleRate_ = stored.xSampleRate;
    grid_ = RestoreGrid(stored.horizontalGrid);
    reference_ = stored.reference;
    settlingBand_ = stored.settlingBand;
    for (SampleBuffer& buffer : buffers_)
        buffer.SetCapacity(PlotBufferCapacity(timeScale_, sampleRate_));
}

void CStripChartView::ApplySetupToChart() {
    for (size_t p = 0; p < plots_.size(); ++p) {
        Plot& plot = plots_[p];
        const QString label = ToQ(PlotLabel(plot.name, PlotVariable(p)));
        plotLabels_[p]->setText(label);
        FitLabel(plotLabels_[p], kPlotLabelWidth);
        plot.trace.SetUnitsLabel(label);
        plot.trace.SetLimits(Decimal(plot.minimum), Decimal(plot.maximum), 1);
    }
    chart_->SetTimeMaximum(QString::number(timeScale_));
    chart_->SetDivisions(grid_.horizontal, grid_.vertical);
    RestartMeasuring();
    PlaceChart();  // the figures may have come or gone
    chart_->RedrawStaticLayer();
    PlaceControls();  // the plot labels may have grown
}

void CStripChartView::RestartMeasuring() {
    pair_ = ResolveReference(reference_, {plots_[0].name, plots_[1].name});
    const double band = SettlingBandPercent(settlingBand_).value_or(2.0);
    tracker_ = StepTracker({.bandPercent = band, .windowSeconds = static_cast<double>(timeScale_)});
    stepGains_.clear();
    shownFromTracker_ = false;
    figures_->SetBand(band);
    figures_->setVisible(pair_.has_value());
    ShowLatestStep();
}

// The newest sample into the step measurement, and what it completed into the log. Only fresh
// values are measured: a sample taken before the next set arrived repeats the last one, and a
// ramping set point would look held there (before the first set, it repeats zeros that no
// controller sent).
void CStripChartView::MeasureSample(bool fresh) {
    if (!pair_ || !fresh) return;
    const double time = static_cast<double>(samplesTaken_ - 1) * sampleRate_ * 0.001;
    // The chart's window: the time scale, or the shorter span the chart shows when the time
    // scale would move each sample less than two pixels.
    const double shown = Decimal(FromQ(chart_->timeMaximum()));
    tracker_.SetWindow(shown > 0.0 ? shown : timeScale_);
    tracker_.Add({time, lastValues_[pair_->reference], lastValues_[pair_->response]});
    ShowLatestStep();
    LogSteps(tracker_.TakeCompleted());
}

void CStripChartView::LogSteps(const std::vector<StepFigures>& steps) {
    for (const StepFigures& step : steps) {
        std::array<std::string, 3> gains = confirmedGains_;
        for (const auto& [time, atStep] : stepGains_) {
            if (time == step.time) gains = atStep;
        }
        std::erase_if(stepGains_, [&step](const auto& entry) { return entry.first <= step.time; });
        Log(gains, step);
    }
}

void CStripChartView::ShowLatestStep() {
    if (const std::optional<StepFigures>& latest = tracker_.latest()) {
        if (!shownFromTracker_ || shownStep_->time != latest->time)
            shownGains_ = GainsAtStep(latest->time);
        shownStep_ = *latest;
        shownFromTracker_ = true;
    }
    if (!pair_) return;
    const VariableDef* reference = PlotVariable(static_cast<size_t>(pair_->reference));
    if (shownStep_) {
        figures_->ShowStep(*shownStep_, shownGains_, reference ? reference->units : std::string(),
                           reference ? DecimalsForBinaryPoint(reference->scaling.binaryPoint) : 1);
    } else {
        figures_->ShowWaiting(QStringLiteral("Waiting for a step of ") +
                              ToQ(plots_[pair_->reference].name));
    }
}

// The gains in force at a step: those when it was first seen.
std::array<std::string, 3> CStripChartView::GainsAtStep(double time) {
    for (const auto& [at, gains] : stepGains_) {
        if (at == time) return gains;
    }
    stepGains_.emplace_back(time, confirmedGains_);
    return confirmedGains_;
}

void CStripChartView::Log(const std::array<std::string, 3>& gains,
                          std::optional<StepFigures> step) {
    if (!log_ || document_ == nullptr) return;
    std::string unit = document_->GetIdentification().modelName;
    if (document_->IsDemo()) {
        const std::string model = ModelNameForKind(document_->definitions.header.modelKind);
        unit = model.empty() ? "DEMO" : model + " demo";
    }
    const VariableDef* reference =
        pair_ ? PlotVariable(static_cast<size_t>(pair_->reference)) : nullptr;
    log_->Append(
        {.when = std::chrono::system_clock::now(),
         .unit = unit,
         .strategy = document_->definitions.header.strategyName,
         .gains = gains,
         .step = std::move(step),
         .valueDecimals = reference ? DecimalsForBinaryPoint(reference->scaling.binaryPoint) : 1},
        prompt_);
}

std::vector<PlotMark> CStripChartView::Marks() const {
    return marks_.InBuffers(samplesTaken_, buffers_[0].size());
}

// The write of a gain is done: a mark on the chart and among the samples, and a log line.
void CStripChartView::MarkGainWritten(int gain) {
    const std::string after = FromQ(gainEdits_[gain]->text());
    const GainChange change{kGainLetters[gain], confirmedGains_[gain], after};
    confirmedGains_[gain] = after;
    chart_->AddMark(GainChangeLabel(change));
    marks_.Add(samplesTaken_, change);
    Log(confirmedGains_, std::nullopt);
}

PlotSettings CStripChartView::Settings() const {
    return {.plot1Name = plots_[0].name,
            .plot1Min = plots_[0].minimum,
            .plot1Max = plots_[0].maximum,
            .plot2Name = plots_[1].name,
            .plot2Min = plots_[1].minimum,
            .plot2Max = plots_[1].maximum,
            .xScale = timeScale_,
            .xSampleRate = sampleRate_,
            .reference = reference_,
            .settlingBand = settlingBand_};
}

PrintedPlot CStripChartView::PrintedPage(int dotsPerInchX, int dotsPerInchY) const {
    PrintedPlotSource source{.dotsPerInchX = dotsPerInchX,
                             .dotsPerInchY = dotsPerInchY,
                             .grid = grid_,
                             .timeScale = timeScale_,
                             .sampleRate = sampleRate_,
                             .marks = Marks()};
    for (size_t p = 0; p < plots_.size(); ++p) {
        const Plot& plot = plots_[p];
        const VariableDef* variable = PlotVariable(p);
        source.plots[p] = {
            .samples = &buffers_[p],
            .minimum = Decimal(plot.minimum),
            .maximum = Decimal(plot.maximum),
            .decimals = variable ? DecimalsForBinaryPoint(variable->scaling.binaryPoint) : 1,
            .label = PlotLabel(plot.name, variable)};
    }
    return LayOutPrintedPlot(source);
}

VariableDef* CStripChartView::PlotVariable(size_t plot) const {
    if (document_ == nullptr) return nullptr;
    return document_->definitions.variables.find(plots_[plot].name);
}

const ScalarDef* CStripChartView::GainScalar(int gain) const {
    if (document_ == nullptr || gainNames_[gain].empty()) return nullptr;
    return document_->definitions.scalars.find(gainNames_[gain]);
}

std::optional<Gain> CStripChartView::selectedGain() const {
    if (selected_ < 0) return std::nullopt;
    return static_cast<Gain>(selected_);
}

void CStripChartView::ShowGains() {
    for (int g = 0; g < 3; ++g) {
        const bool exists = !gainNames_[g].empty();
        gainLabels_[g]->setVisible(exists);
        gainEdits_[g]->setVisible(exists);
        if (exists) gainLabels_[g]->setText(QStringLiteral("&") + ToQ(gainNames_[g]));
    }
}

void CStripChartView::ReadGains() {
    gainRequest_ = GainAddresses(document_->definitions.scalars, gainNames_);
    document_->RequestReadScalars(gainRequest_, channel_.Current(), kGainsRead, kGainsReadFailed);
}

// Start / Stop

void CStripChartView::StartStop() {
    if (document_ == nullptr) return;
    resumeWhenBack_ = false;  // the user has decided
    if (running_) {
        Stop();
    } else {
        Start();
    }
}

void CStripChartView::Stop() {
    start_->setText(QStringLiteral("&Start"));
    sampleTimer_.stop();
    document_->RequestStop();
    running_ = false;
}

void CStripChartView::Start(bool resume) {
    timeout_.Close();
    document_->QuietTheLink();
    start_->setText(QStringLiteral("&Stop"));
    if (document_->IsDemo()) {
        running_ = true;
    } else {
        requested_.clear();
        std::vector<uint16_t> addresses;
        for (size_t p = 0; p < plots_.size(); ++p) {
            const VariableDef* variable = PlotVariable(p);
            if (variable == nullptr) continue;
            requested_.push_back(variable->name);
            addresses.push_back(static_cast<uint16_t>(variable->ramAddress));
        }
        if (document_->RequestReadVariables(addresses, channel_.Current(), kValuesRead,
                                            kValuesReadFailed) != 0) {
            start_->setText(QStringLiteral("&Start"));
            prompt_.warn("Could not start");
            return;
        }
        if (!resume) {
            for (SampleBuffer& buffer : buffers_)
                buffer.Clear();
            chart_->RedrawStaticLayer();
            marks_.Clear();
            samplesTaken_ = 0;
        }
        newData_ = false;
        running_ = true;
        start_->setEnabled(false);  // until the first values arrive
        configure_->setFocus();
    }
    if (!resume) {
        // A stop broke the series: a step being measured is dropped, not logged half seen.
        tracker_ = StepTracker(tracker_.options());
        stepGains_.clear();
        shownFromTracker_ = false;
    }
    sampleTimer_.start(sampleRate_);
}

void CStripChartView::Sample() {
    const bool fresh = document_->IsDemo() || newData_;
    if (document_->IsDemo()) {
        // The traces hold the plot limits as numbers since the setup was applied.
        const CChartTrace& trace1 = plots_[0].trace;
        const CChartTrace& trace2 = plots_[1].trace;
        const DemoSample demo =
            NextDemoSample(demoTime_, trace1.minimum(), trace1.maximum() - trace1.minimum(),
                           trace2.minimum(), trace2.maximum() - trace2.minimum());
        lastValues_ = {demo.value1, demo.value2};
        for (int p = 0; p < 2; ++p)
            indicators_[p]->setText(ToQ(FormatFixed(lastValues_[p], 3)));
    } else if (newData_) {
        for (int p = 0; p < 2; ++p) {
            const VariableDef* variable = PlotVariable(static_cast<size_t>(p));
            lastValues_[p] = variable != nullptr ? variable->currentValue : 0.0;
            indicators_[p]->setText(variable != nullptr ? ToQ(variable->currentText) : QString());
        }
        newData_ = false;
    }
    chart_->UpdateScrollStep(sampleRate_ * 0.001);
    chart_->AddSample(lastValues_);
    for (int p = 0; p < 2; ++p)
        buffers_[p].Add(lastValues_[p]);
    ++samplesTaken_;
    marks_.Forget(samplesTaken_, buffers_[0].size());
    MeasureSample(fresh);
}

// Notifications

void CStripChartView::OnMessage(const PostedMessage& message) {
    if (document_ == nullptr) return;
    switch (message.message) {
        case kGainsRead:
            OnGains();
            break;
        case kGainsReadFailed:
            prompt_.warn("Read initial values failed");
            break;
        case kGainWritten:
            OnGainWritten();
            break;
        case kGainWriteFailed:
            writeInProgress_ = false;
            prompt_.warn("Write Scalar Value Error");
            // The shown gain was not stored: show the controller's again.
            gainsValid_ = false;
            ReadGains();
            break;
        case kValuesRead:
            OnValues();
            break;
        case kValuesReadFailed:
            OnValuesFailed();
            break;
        default:
            break;
    }
}

void CStripChartView::OnValues() {
    if (!running_) return;
    const auto words = document_->RequestValues();
    for (size_t k = 0; k < requested_.size() && k < words.size(); ++k) {
        VariableDef* variable = document_->definitions.variables.find(requested_[k]);
        if (variable == nullptr) continue;  // deleted while its value was on the way
        variable->setCurrentValue(RawFromWord(words[k], variable->scaling));
    }
    newData_ = true;
    start_->setEnabled(true);
}

void CStripChartView::OnValuesFailed() {
    if (running_) Stop();
    start_->setEnabled(true);
    timeout_.Open(
        this,
        [this] {
            timeout_.Close();
            Start();
        },
        [this] { timeout_.Close(); });
}

void CStripChartView::OnGains() {
    const auto words = document_->RequestValues();
    for (size_t k = 0; k < gainRequest_.size() && k < words.size(); ++k) {
        for (int g = 0; g < 3; ++g) {
            const ScalarDef* gain = GainScalar(g);
            if (gain == nullptr || gain->eepromAddress != gainRequest_[k]) continue;
            const uint32_t raw = RawFromWord(words[k], gain->scaling);
            confirmedGains_[g] = formatDefValue(*gain, raw);
            gainEdits_[g]->setText(ToQ(confirmedGains_[g]));
        }
    }
    gainsValid_ = true;
    gainsUnsaved_ = false;
    if (restartAfter_ && !running_) Start(std::exchange(resumeAfter_, false));
}

void CStripChartView::OnGainWritten() {
    writeInProgress_ = false;
    const int written = std::exchange(written_, -1);
    const ScalarDef* gain = written >= 0 ? GainScalar(written) : nullptr;
    if (gain != nullptr) {
        QLineEdit* edit = gainEdits_[written];
        edit->setText(ToQ(RewriteGainText(FromQ(edit->text()), gain->scaling)));
    }
    if (restartAfter_ && !running_) Start(std::exchange(resumeAfter_, false));
    if (gain != nullptr) MarkGainWritten(written);
}

// Gain tuning

bool CStripChartView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        return HandleKey(static_cast<QKeyEvent*>(event)) || QWidget::eventFilter(watched, event);
    }
    for (int g = 0; g < 3; ++g) {
        if (watched != gainEdits_[g]) continue;
        if (event->type() == QEvent::FocusIn && selected_ != g) SelectGain(g);
        if (event->type() == QEvent::FocusOut && gainsUnsaved_) GainEditLeft();
    }
    return QWidget::eventFilter(watched, event);
}

bool CStripChartView::HandleKey(QKeyEvent* key) {
    if (writeInProgress_ || document_ == nullptr) return false;
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (selected_ < 0) return false;
            StepSelectedGain(key->key() == Qt::Key_Up);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (selected_ < 0 || focusWidget() != gainEdits_[selected_]) return false;
            WriteSelectedGain();
            return true;
        case Qt::Key_Escape:
            if (selected_ >= 0) {
                DeselectGain();
            } else {
                CloseFrameOf(*this);
            }
            return true;
        default:
            break;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const QString text = key->text().toUpper();
    if (text.size() != 1) return false;
    switch (text.at(0).toLatin1()) {
        case 'P':
            SelectGain(static_cast<int>(Gain::P));
            return true;
        case 'I':
            SelectGain(static_cast<int>(Gain::I));
            return true;
        case 'D':
            SelectGain(static_cast<int>(Gain::D));
            return true;
        case 'A':
            SaveToFile();
            return true;
        case 'C':
            Configure();
            return true;
        case 'S':
            StartStop();
            return true;
        default:
            return false;
    }
}

void CStripChartView::SelectGain(int gain) {
    if (GainScalar(gain) == nullptr) return;
    for (int g = 0; g < 3; ++g)
        gainEdits_[g]->setReadOnly(g != gain);
    selected_ = gain;
    gainEdits_[gain]->selectAll();
    gainEdits_[gain]->setFocus();
}

void CStripChartView::DeselectGain() {
    gainEdits_[selected_]->setReadOnly(true);
    selected_ = -1;
}

void CStripChartView::StepSelectedGain(bool up) {
    QLineEdit* edit = gainEdits_[selected_];
    if (auto stepped = StepGainText(FromQ(edit->text()), up)) edit->setText(ToQ(*stepped));
    WriteSelectedGain();
}

void CStripChartView::WriteSelectedGain() {
    if (!gainsValid_ || selected_ < 0) return;
    const ScalarDef* found = GainScalar(selected_);
    if (found == nullptr) return;
    const ScalarDef& gain = *found;
    const std::string text = FromQ(gainEdits_[selected_]->text());
    restartAfter_ = running_;
    resumeAfter_ = true;
    document_->QuietTheLink();  // which stops plotting
    bool issued = false;
    if (const std::optional<uint32_t> raw = GainRawForWrite(text, gain.scaling); !raw) {
        prompt_.warn("New Value out of range");
    } else if (document_->RequestWriteScalar(
                   static_cast<uint16_t>(gain.eepromAddress), static_cast<uint16_t>(*raw),
                   gain.scaling.size, channel_.Current(), kGainWritten, kGainWriteFailed) != 0) {
        prompt_.warn("Internal Error Writing New Value");
    } else {
        issued = true;
    }
    if (issued) {
        writeInProgress_ = true;
        gainsUnsaved_ = false;
        written_ = selected_;
    } else {
        gainsValid_ = false;
        ReadGains();  // shows the controller's values again
    }
}

void CStripChartView::GainEditLeft() {
    gainsUnsaved_ = false;
    prompt_.warn("Edits NOT Saved, Restoring previous values");
    gainsValid_ = false;
    restartAfter_ = running_;
    resumeAfter_ = true;
    // The read replaces the continuous read, so plotting stops until the gains are back.
    document_->QuietTheLink();
    ReadGains();
}

// Configure and Save to File

void CStripChartView::Configure() {
    if (document_ == nullptr) return;
    const bool wasRunning = running_;
    if (running_) Stop();
    const PlotSetup shown{.plot1Name = plots_[0].name,
                          .plot1Max = plots_[0].maximum,
                          .plot1Min = plots_[0].minimum,
                          .plot2Name = plots_[1].name,
                          .plot2Max = plots_[1].maximum,
                          .plot2Min = plots_[1].minimum,
                          .timeScale = timeScale_,
                          .sampleRate = sampleRate_,
                          .verticalDivisions = grid_.vertical + 1,
                          .horizontalDivisions = grid_.horizontal + 1,
                          .reference = reference_,
                          .settlingBand = settlingBand_};
    CPlotSetupDlg dialog(shown, document_->definitions.variables, kPlotDivisionLimit, prompt_,
                         this);
    if (dialog.exec() == QDialog::Accepted) {
        const PlotSetup chosen = dialog.setup();
        const std::array<std::array<std::string, 3>, 2> given = {{
            {chosen.plot1Name, chosen.plot1Min, chosen.plot1Max},
            {chosen.plot2Name, chosen.plot2Min, chosen.plot2Max},
        }};
        for (size_t p = 0; p < plots_.size(); ++p) {
            Plot& plot = plots_[p];
            plot.name = given[p][0];
            const bool found = PlotVariable(p) != nullptr;
            plot.minimum = found ? given[p][1] : kLimitsWithoutVariable[0];
            plot.maximum = found ? given[p][2] : kLimitsWithoutVariable[1];
            indicators_[p]->clear();
        }
        grid_ = {.vertical = chosen.verticalDivisions - 1,
                 .horizontal = chosen.horizontalDivisions - 1};
        timeScale_ = chosen.timeScale;
        sampleRate_ = chosen.sampleRate;
        reference_ = chosen.reference;
        settlingBand_ = chosen.settlingBand;
        for (SampleBuffer& buffer : buffers_)
            buffer.SetCapacity(PlotBufferCapacity(timeScale_, sampleRate_));
        ApplySetupToChart();
        WritePlotSetup(settings_, Settings(), grid_);
    }
    if (wasRunning) Start();
}

void CStripChartView::SaveToFile() {
    if (document_ == nullptr) return;
    if (running_) Stop();
    const std::optional<std::string> path = prompt_.chooseFile(PlotDataFileChoice());
    if (!path) return;
    PlotData data{.timeScale = timeScale_,
                  .sampleRate = sampleRate_,
                  .plot1Name = plots_[0].name,
                  .plot1Max = plots_[0].maximum,
                  .plot1Min = plots_[0].minimum,
                  .plot2Name = plots_[1].name,
                  .plot2Max = plots_[1].maximum,
                  .plot2Min = plots_[1].minimum,
                  .decimals1 = DecimalsOf(PlotVariable(0)),
                  .decimals2 = DecimalsOf(PlotVariable(1)),
                  .samples1 = &buffers_[0],
                  .samples2 = &buffers_[1],
                  .marks = Marks()};
    for (int g = 0; g < 3; ++g)
        data.gainTexts[g] = FromQ(gainEdits_[g]->text());
    if (WritePlotDataFile(data, *path, prompt_) == 0) prompt_.inform("File save complete!");
}

// The document

void CStripChartView::OnDocumentUpdate(int hint) {
    if (hint == kHintStopReading || hint == kHintLinkLost) {
        if (!running_) return;
        // Another window taking the link keeps it; a lost link is read from again once back.
        resumeWhenBack_ = hint == kHintLinkLost;
        Stop();
    } else if (hint == kHintLinkBack) {
        if (std::exchange(resumeWhenBack_, false) && !running_ && document_) Start();
    } else if (hint == kHintDefinitionsReplaced) {
        // The variables and gains this view points at are about to go.
        Detach();
        CloseFrameOf(*this);
    }
}

void CStripChartView::OnDefinitionsEdited(const DefinitionEdit& edit) {
    if (document_ == nullptr) return;
    if (edit.table == DefinitionEdit::Table::Variables) {
        FollowVariableEdit(edit);
    } else {
        FollowScalarEdit(edit);
    }
}

void CStripChartView::FollowVariableEdit(const DefinitionEdit& edit) {
    bool plotted = false;
    for (size_t p = 0; p < plots_.size(); ++p) {
        Plot& plot = plots_[p];
        if (plot.name != edit.name) continue;
        plotted = true;
        const std::string kept = edit.follow(DefinitionEdit::Table::Variables, plot.name);
        plot.name = kept.empty() ? std::string(kNoPlot) : kept;
        indicators_[p]->clear();
    }
    if (!plotted) return;
    ApplySetupToChart();
    // The running read asks for the addresses the variables had: ask again.
    if (running_) {
        Stop();
        Start();
    }
}

void CStripChartView::FollowScalarEdit(const DefinitionEdit& edit) {
    for (int g = 0; g < 3; ++g) {
        if (gainNames_[g].empty() || gainNames_[g] != edit.name) continue;
        gainNames_[g] = edit.follow(DefinitionEdit::Table::Scalars, gainNames_[g]);
        if (gainNames_[g].empty()) {
            // Gone: nothing can be written to it any more. Its edit gives the focus away
            // first, so that hiding it does not pass the focus (and the selection) on to
            // another gain.
            if (gainEdits_[g]->hasFocus()) configure_->setFocus();
            if (selected_ == g) DeselectGain();
            if (written_ == g) written_ = -1;
            gainEdits_[g]->clear();
            confirmedGains_[g].clear();
        }
        ShowGains();
    }
}

void CStripChartView::Detach() {
    if (document_ == nullptr) return;
    timeout_.Close();
    if (running_) Stop();
    sampleTimer_.stop();
    document_->RemoveView(this);
    channel_.Close();
    requested_.clear();
    gainNames_ = {};
    selected_ = written_ = -1;
    document_ = nullptr;
}

}  // namespace zvr
