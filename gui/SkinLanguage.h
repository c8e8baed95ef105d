#pragma once
// The LANG element of "Language.xml": one language table from its text file, font
// replacements and per-item overrides.

#include "gui/LangTable.h"
#include "gui/SkinFile.h"

#include <memory>

// Builds the table of one LANG element; none when its name is no skin item name or its text
// file gives no data.
std::unique_ptr<CLangTable> LoadSkinLanguage(pug::CPugXmlBranch element, CWnd* parent);
// The creator of LANG: LoadSkinLanguage, and a table of a language id 320..328 is entered in
// LanguageTableMap (a later one with the same id replaces the earlier).
std::unique_ptr<CGUIItem> CreateSkinLanguage(const SkinElementContext& context);
