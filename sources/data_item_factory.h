// The type under which the archive reader accepts a factory of restore operations.
#pragma once

#include "sources/data_item.h"
#include "sources/factory.h"

namespace qv {

class DataItemFactory : public Factory<DataItem, int> {};

}  // namespace qv
