#include "app/core/FlowApi.h"

FLOW_API g_FlowApi;
