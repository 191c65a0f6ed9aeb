#include "viewlist/view_list_editor.h"

#include <cmath>

#include "comm/data_server.h"
#include "common/numbers.h"
#include "common/user_prompt.h"
#include "viewlist/definition_editor.h"

namespace zvr {

namespace {

constexpr size_t kMaxViewItems = 10;

int Decimal(const std::string& text) {
    const double value = ParseDecimal(text);
    return std::isfinite(value) && std::fabs(value) < 1e9 ? static_cast<int>(value) : -1;
}

uint32_t Hexadecimal(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return 0;
    if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) i += 2;
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

// The scaling the fields give; nothing when the type or size list shows "Cal File Error".
std::optional<ScalingSpec> ScalingOf(int typeIndex, int sizeIndex, const std::string& binaryPoint) {
    const auto type = TypeForIndex(typeIndex);
    const auto size = SizeForIndex(sizeIndex);
    if (!type || !size) return std::nullopt;
    return ScalingSpec{*type, *size, static_cast<int8_t>(Decimal(binaryPoint))};
}

bool PositionUsed(const ViewItemTable<ViewItemDef>& items, int position) {
    for (const auto& item : items.entries()) {
        if (item->position == position) return true;
    }
    return false;
}

// A new item at a free position, or a message.
bool CheckNewPosition(const ViewItemTable<ViewItemDef>& items, int position, UserPrompt& prompt) {
    if (items.count() >= kMaxViewItems) {
        prompt.plain("All View Positions used. There is a max of 10.");
        return false;
    }
    if (position < 0 || position > 9) {
        prompt.plain("View Position must be between 0 and 9.");
        return false;
    }
    if (PositionUsed(items, position)) {
        prompt.plain("This View Position is already used.");
        return false;
    }
    return true;
}

}  // namespace

std::optional<int> LowestFreePosition(const ViewItemTable<ViewItemDef>& items) {
    for (int position = 0; position <= 9; ++position) {
        if (!PositionUsed(items, position)) return position;
    }
    return std::nullopt;
}

VariableFields FieldsOf(const VariableDef& variable) {
    return {variable.name,
            AddressText(variable.ramAddress),
            variable.units,
            TypeIndex(variable.scaling.type),
            SizeIndex(variable.scaling.size),
            std::to_string(variable.scaling.binaryPoint)};
}

std::optional<ViewItemFields> ViewItemFieldsOf(const DefinitionSet& set,
                                               const VariableDef& variable) {
    const ViewItemDef* item = set.viewItems.find(variable.name);
    if (item == nullptr) return std::nullopt;
    return ViewItemFields{true, std::to_string(item->position), TypeIndex(item->scaling.type),
                          SizeIndex(item->scaling.size), std::to_string(item->scaling.binaryPoint)};
}

bool SaveEdit(CDataServer& document, std::string_view name, const VariableFields& fields,
              const ViewItemFields& itemFields, UserPrompt& prompt) {
    DefinitionSet& set = document.definitions;
    const VariableDef* variable = set.variables.find(name);
    if (variable == nullptr) return false;
    ViewItemDef* item = set.viewItems.find(name);
    if (item == nullptr && itemFields.onViewList) {
        const int position = Decimal(itemFields.position);
        if (!CheckNewPosition(set.viewItems, position, prompt)) return false;
        ViewItemDef created;
        created.name = variable->name;
        created.position = static_cast<uint8_t>(position);
        if (set.viewItems.add(created) != 0) {
            prompt.plain("Could NOT Add View Item.");
        } else {
            item = set.viewItems.find(variable->name);
        }
    }

    // The fields are written in form order; a bad one stops the writing there, and what was
    // written before it stands.
    VariableDef rewritten = *variable;
    const std::string oldName = variable->name;
    DefinitionEditor editor(document);
    auto stopAt = [&] {
        prompt.plain("Invalid Data. Please correct");
        editor.ChangeVariable(oldName, rewritten);
        return true;
    };
    rewritten.ramAddress = Hexadecimal(fields.address);
    rewritten.units = fields.units;
    // A new name keeps the table in order; a name another variable has is refused.
    if (fields.name != oldName && set.variables.find(fields.name) != nullptr) return stopAt();
    rewritten.name = fields.name;
    const auto scaling = ScalingOf(fields.typeIndex, fields.sizeIndex, fields.binaryPoint);
    if (!scaling) return stopAt();
    rewritten.scaling = *scaling;
    // The view item, renamed with its variable, stays where it is in its table.
    editor.ChangeVariable(oldName, std::move(rewritten));

    if (item != nullptr && itemFields.onViewList) {
        const auto itemScaling =
            ScalingOf(itemFields.typeIndex, itemFields.sizeIndex, itemFields.binaryPoint);
        if (!itemScaling) {
            prompt.plain("Invalid Data. Please correct");
            return true;
        }
        item->scaling = *itemScaling;
        item->position = static_cast<uint8_t>(Decimal(itemFields.position));
    }
    if (item != nullptr && !itemFields.onViewList && set.viewItems.remove(item) != 0) {
        prompt.plain("Internal Error. Could Not Remove View Item");
    }
    return true;
}

std::optional<std::string> AddAsNew(CDataServer& document, const VariableFields& fields,
                                    const ViewItemFields& itemFields, UserPrompt& prompt) {
    const auto scaling = ScalingOf(fields.typeIndex, fields.sizeIndex, fields.binaryPoint);
    std::optional<ScalingSpec> itemScaling;
    if (itemFields.onViewList) {
        itemScaling = ScalingOf(itemFields.typeIndex, itemFields.sizeIndex, itemFields.binaryPoint);
    }
    if (!scaling || (itemFields.onViewList && !itemScaling)) {
        prompt.plain("Invalid Data. Point NOT Added");
        return std::nullopt;
    }
    VariableDef variable;
    variable.name = fields.name;
    variable.units = fields.units;
    variable.ramAddress = Hexadecimal(fields.address);
    variable.scaling = *scaling;
    if (DefinitionEditor(document).AddVariable(variable) != 0) {
        prompt.plain("New Item name must be unique. Point NOT added");
        return std::nullopt;
    }
    if (itemFields.onViewList) {
        ViewItemDef item;
        item.name = fields.name;
        item.scaling = *itemScaling;
        item.position = static_cast<uint8_t>(Decimal(itemFields.position));
        if (document.definitions.viewItems.add(item) != 0) prompt.plain("Could NOT Add View Item.");
    }
    return fields.name;
}

}  // namespace zvr
