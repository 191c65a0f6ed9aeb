#pragma once

#include <functional>
#include <string>
#include <vector>

#include "comm/controller_protocol.h"
#include "definitions/definition_edit.h"
#include "definitions/definition_set.h"

namespace zvr {

class UserPrompt;

// Update hints broadcast to the document's views.
inline constexpr int kHintStopReading = 1;       // every continuously reading view stops
inline constexpr int kHintViewItemsChanged = 2;  // the Parameter View rebuilds its rows
// The tables are about to be replaced by another strategy: views that hold definitions close.
inline constexpr int kHintDefinitionsReplaced = 3;
// A variable or scalar was added, changed, renamed or deleted; the edit says which.
inline constexpr int kHintDefinitionsEdited = 4;
// The link has gone (its adapter pulled out): every reading view stops, as for hint 1, and
// remembers that it was reading.
inline constexpr int kHintLinkLost = 5;
// The same strategy's controller answers again after a lost link: a view that stopped for the
// loss starts reading again.
inline constexpr int kHintLinkBack = 6;

// A window that shows the document and hears its update hints (on the owner's thread).
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnDocumentUpdate(int hint) = 0;
    // Hint 4 with what was edited. A view that keeps definitions looks them up again here;
    // one that keeps none hears only the hint.
    virtual void OnDefinitionsEdited(const DefinitionEdit&) {
        OnDocumentUpdate(kHintDefinitionsEdited);
    }
};

// The program's document: the definition tables of the connected controller's strategy and
// the link to that controller. Temporary documents, loaded from a cal file for a file
// operation, use only the tables.
class CDataServer : public CControllerProtocol {
public:
    explicit CDataServer(std::string logName = CLogFile::kDefaultName);
    ~CDataServer() override;

    int OpenPort(const std::string& portName, int timeoutTicks = kTimeoutTicks);

    // Before a window takes the link over: hint 1 to every view, 50 ms, purge the input.
    void QuietTheLink();

    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    void UpdateAllViews(int hint);
    // Hint 4: tells every view what was edited in the tables.
    void UpdateAllViews(const DefinitionEdit& edit);
    bool HasViews() const { return !views_.empty(); }

    int Load(const std::string& path, UserPrompt& prompt);
    int Write(const std::string& path, const std::string& strategyName);

    DefinitionSet definitions;

protected:
    std::optional<uint16_t> DemoReadValue(uint16_t address) const override;

private:
    void TellViews(const std::function<void(DocumentView&)>& tell);

    std::vector<DocumentView*> views_;
};

}  // namespace zvr
