#include "app/resources/string_table.h"

#include "app/resources/string_table_data.h"

namespace qv::app {

QString LoadResourceString(int nId) {
  const char* text = ResourceText(nId);
  return text ? QString::fromUtf8(text) : QString();
}

QString CommandPrompt(int nCommand) { return LoadResourceString(nCommand).section(u'\n', 0, 0); }

QString CommandTip(int nCommand) { return LoadResourceString(nCommand).section(u'\n', 1, 1); }

}  // namespace qv::app
