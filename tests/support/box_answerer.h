#pragma once
// The message-box name of the modal answerer, for tests written before it
// answered other dialogs too.

#include "modal_answerer.h"

namespace test_support {
typedef modal_answerer box_answerer;
}
