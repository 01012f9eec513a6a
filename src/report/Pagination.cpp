#include "report/Pagination.h"

namespace hotaru::report {

Paginator::Paginator(int printableHeight, SectionHeights heights) : height_(printableHeight), h_(heights) {}

int Paginator::room() const { return height_ - h_.pageFooter - y_; }

void Paginator::openPage(std::vector<Placement>& out) {
    ++page_;
    y_ = 0;
    bodyOnPage_ = false;
    if (page_ == 1 && h_.reportHeader > 0) {
        out.push_back({SectionKind::ReportHeader, page_, y_});
        y_ += h_.reportHeader;
    }
    out.push_back({SectionKind::PageHeader, page_, y_});
    y_ += h_.pageHeader;
}

void Paginator::breakPage(std::vector<Placement>& out) {
    out.push_back({SectionKind::PageFooter, page_, height_ - h_.pageFooter});
    openPage(out);
}

void Paginator::placeBody(SectionKind kind, int height, std::vector<Placement>& out) {
    if (height > 0 && height > room() && bodyOnPage_) breakPage(out);
    out.push_back({kind, page_, y_});
    y_ += height;
    bodyOnPage_ = true;
}

std::vector<Placement> Paginator::start() {
    std::vector<Placement> out;
    openPage(out);
    return out;
}

std::vector<Placement> Paginator::detail() {
    std::vector<Placement> out;
    if (page_ == 0) openPage(out);
    placeBody(SectionKind::Detail, h_.detail, out);
    return out;
}

std::vector<Placement> Paginator::finish() {
    std::vector<Placement> out;
    if (page_ == 0) openPage(out);
    placeBody(SectionKind::ReportFooter, h_.reportFooter, out);
    out.push_back({SectionKind::PageFooter, page_, height_ - h_.pageFooter});
    return out;
}

std::vector<PagePlan> PlanPages(int printableHeight, const SectionHeights& heights, int count) {
    std::vector<PagePlan> plan;
    Paginator p(printableHeight, heights);
    auto note = [&](const std::vector<Placement>& placements, int detailIndex) {
        for (const auto& pl : placements) {
            if (static_cast<int>(plan.size()) < pl.page) plan.push_back(PagePlan{pl.page, -1, 0, false});
            PagePlan& page = plan[pl.page - 1];
            if (pl.kind == SectionKind::Detail) {
                if (page.firstDetail < 0) page.firstDetail = detailIndex;
                ++page.details;
            } else if (pl.kind == SectionKind::ReportFooter) {
                page.reportFooter = true;
            }
        }
    };
    note(p.start(), -1);
    for (int i = 0; i < count; ++i) note(p.detail(), i);
    note(p.finish(), -1);
    return plan;
}

}  // namespace hotaru::report
