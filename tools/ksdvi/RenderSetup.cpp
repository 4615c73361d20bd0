#include "RenderSetup.h"

#include <cstdio>

#include "DocumentSession.h"
#include "PaperNames.h"
#include "page/Paper.h"

std::string DescribePaper(ksdvi::Paper const& paper) {
    constexpr double kMmPerSp = 25.4 / 72.27 / 65536;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f x %.2f mm", paper.width * kMmPerSp, paper.height * kMmPerSp);
    return text;
}

std::optional<PaperChoice> PaperFor(DocumentSession const& session, std::string const& option) {
    std::optional<PaperChoice> choice;
    if (session.PaperSpecial())
        choice = PaperChoice{*session.PaperSpecial(), "the document's papersize special"};
    else if (auto paper = PaperFromOption(option))
        choice = PaperChoice{*paper, option};
    if (choice) {
        ksdvi::Paper const turned = ksdvi::Landscaped(session.Document(), choice->paper);
        if (!(turned == choice->paper)) {
            choice->paper = turned;
            choice->from += ", turned by the landscape special";
        }
    }
    return choice;
}

bool ChoosePaper(DocumentSession const& session, std::string const& option, std::string const& file,
                 RenderSettings& settings) {
    auto choice = PaperFor(session, option);
    if (!choice) {
        ReportError(file, "bad paper size '" + option +
                              "' (a name paperconf -a lists, NAME-landscape, or WxH, e.g. 210mmx297mm)");
        return false;
    }
    settings.paper = choice->paper;
    ReportNote(file, "paper " + DescribePaper(choice->paper) + " (" + choice->from + ")");
    return true;
}

bool WithinSurfaceBudget(std::string const& file, RenderSettings const& settings) {
    std::string const problem = SurfaceBudgetProblem(settings);
    if (!problem.empty()) ReportError(file, problem);
    return problem.empty();
}
