#include "comm/data_server.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "definitions/cal_file.h"

namespace zvr {

CDataServer::CDataServer(std::string logName) : CControllerProtocol(std::move(logName)) {}

CDataServer::~CDataServer() { Close(); }

int CDataServer::OpenPort(const std::string& portName, int timeoutTicks) {
    return Open(portName, timeoutTicks);
}

void CDataServer::QuietTheLink() {
    UpdateAllViews(kHintStopReading);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PurgeInput();
}

void CDataServer::AddView(DocumentView* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CDataServer::RemoveView(DocumentView* view) { std::erase(views_, view); }

void CDataServer::UpdateAllViews(int hint) {
    TellViews([hint](DocumentView& view) { view.OnDocumentUpdate(hint); });
}

void CDataServer::UpdateAllViews(const DefinitionEdit& edit) {
    TellViews([&edit](DocumentView& view) { view.OnDefinitionsEdited(edit); });
}

void CDataServer::TellViews(const std::function<void(DocumentView&)>& tell) {
    // A view may remove itself while it is told.
    const std::vector<DocumentView*> views = views_;
    for (DocumentView* view : views) {
        if (std::find(views_.begin(), views_.end(), view) != views_.end()) tell(*view);
    }
}

int CDataServer::Load(const std::string& path, UserPrompt& prompt) {
    return LoadCalFile(definitions, path, prompt);
}

int CDataServer::Write(const std::string& path, const std::string& strategyName) {
    return WriteCalFile(definitions, path, strategyName);
}

// A one-byte scalar lives in the high byte of the word at its address, as a controller
// answers it; readers take that byte.
std::optional<uint16_t> CDataServer::DemoReadValue(uint16_t address) const {
    for (const auto& scalar : definitions.scalars.entries()) {
        if (scalar->eepromAddress == address) {
            const uint32_t raw = scalar->fileRaw;
            return static_cast<uint16_t>(scalar->scaling.size == 1 ? (raw & 0xFF) << 8 : raw);
        }
    }
    return std::nullopt;
}

}  // namespace zvr
