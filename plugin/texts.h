#pragma once
// Kept only so that code written against the former place still builds;
// include "strings/text_client.h" instead.
#include "strings/text_client.h"
