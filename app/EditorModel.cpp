#include "EditorModel.h"

#include "Tables.h"

bool CEditorModel::ImageOperationOn(int index) const {
    return index >= 0 && index < 10 && (m_core.m_config.*kv::app::kImageSwitches[index].get)() != 0;
}
