#pragma once
// Page breaking of a banded report: where each section lands, in twips from
// the top of the printable area.  Plain C++ so that the page plan can be
// checked without painting anything.
#include <vector>

namespace hotaru::report {

enum class SectionKind { ReportHeader, PageHeader, Detail, PageFooter, ReportFooter };

struct SectionHeights {
    int reportHeader = 0;
    int pageHeader = 0;
    int detail = 0;
    int pageFooter = 0;
    int reportFooter = 0;
};

struct Placement {
    SectionKind kind;
    int page;  // 1-based
    int top;   // twips from the top of the printable area
};

// Fed one section at a time, since the detail lines arrive one by one and
// their count is known only when the data runs out.
//   start()  : report header and the first page header
//   detail() : one detail line, after a page break when it does not fit
//   finish() : the report footer (on a new page when it does not fit) and
//              the last page footer
// Each call returns the placements it made, in the order they happen (a page
// break gives the old page's footer, then the new page's header).
class Paginator {
public:
    Paginator(int printableHeight, SectionHeights heights);

    std::vector<Placement> start();
    std::vector<Placement> detail();
    std::vector<Placement> finish();

    int pages() const { return page_; }

private:
    // Room left above the page footer.
    int room() const;
    void breakPage(std::vector<Placement>& out);
    void openPage(std::vector<Placement>& out);
    // A section that fits nowhere still gets a page of its own rather than
    // breaking pages forever.
    void placeBody(SectionKind kind, int height, std::vector<Placement>& out);

    int height_;
    SectionHeights h_;
    int page_ = 0;
    int y_ = 0;
    bool bodyOnPage_ = false;  // a detail or report footer already on the page
};

// The page plan of a report with count detail lines.
struct PagePlan {
    int number = 0;
    int firstDetail = -1;  // 0-based index of the first detail line, -1 when none
    int details = 0;
    bool reportFooter = false;
};
std::vector<PagePlan> PlanPages(int printableHeight, const SectionHeights& heights, int count);

}  // namespace hotaru::report
