#pragma once
// The preview's page (HTML, style and script in one file), compiled into the
// tool from tools/preview/page/preview.html so that nothing is fetched from
// anywhere else.

#include <cstddef>

extern const char kPreviewPage[];
extern const std::size_t kPreviewPageSize;
