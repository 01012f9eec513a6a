#pragma once
// The claim list written straight to a PDF file (hotaru-cli list).
#include <string>

namespace hotaru::report {

// With gDB open: lists the current claim month into pdfPath.  Returns 0 when
// written, 1 when there is nothing to list (after the message), 2 when the
// file cannot be written.  Starts a QGuiApplication of its own when the
// program has none (offscreen when there is no display).
int WriteClaimListPdf(const std::string& pdfPath);

}  // namespace hotaru::report
