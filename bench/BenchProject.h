#pragma once

#include "project/ProjectFile.h"

#include <string>

// The project the store and window benchmarks share: 100,000 checked rows with a 2 KB answer each.
namespace BenchProject {

inline constexpr std::size_t RowCount = 100000;
inline constexpr std::size_t AnswerSize = 2048;

inline std::string Answer(std::size_t i)
{
    std::string text = "Domain Name: DOMAIN" + std::to_string(i) + ".COM\r\nRegistrar: Example & Partners <ops>\r\n";
    static const std::string line = "   Status: clientTransferProhibited https://icann.org/epp#clientTransfer\r\n";
    while (text.size() + line.size() < AnswerSize)
        text += line;
    text.append(AnswerSize - text.size(), ' ');
    return text;
}

inline TProjectData MakeProject()
{
    TProjectData project;
    project.Keywords = {{"domain", true}};
    project.Tlds = {{"com", true}};
    for (std::size_t i = 0; i < RowCount; ++i) {
        project.Rows.push_back(
            {"domain" + std::to_string(i) + ".com",
             true,
             {"NO", "Example Registrar, Inc.", "whois.example.com", "15.03.2012", std::to_string(i), ""}});
        project.AnswerLog.push_back(Answer(i));
    }
    return project;
}

} // namespace BenchProject
