// The type under which the archive reader accepts a factory of restore operations.
#pragma once

#include "store/reader/data_item.h"
#include "store/reader/factory.h"

namespace qv {

class DataItemFactory : public Factory<DataItem, int> {};

}  // namespace qv
