// "1 record", "2 records": the jobs' own rule, for qvl's summaries too.
#pragma once

#include "jobs/counted.h"
