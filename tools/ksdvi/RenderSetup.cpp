#include "RenderSetup.h"

#include "DocumentSession.h"
#include "page/Paper.h"

bool ChoosePaper(DocumentSession const& session, std::string const& option, std::string const& file,
                 RenderSettings& settings) {
    if (session.PaperSpecial()) {
        settings.paper = *session.PaperSpecial();
    } else if (auto paper = ksdvi::ParsePaperOption(option)) {
        settings.paper = *paper;
    } else {
        ReportError(file, "bad paper size '" + option + "' (a4, letter or WxH, e.g. 210mmx297mm)");
        return false;
    }
    return true;
}

bool WithinSurfaceBudget(std::string const& file, RenderSettings const& settings) {
    std::string const problem = SurfaceBudgetProblem(settings);
    if (!problem.empty()) ReportError(file, problem);
    return problem.empty();
}
