#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/iau2000b_table.hpp"

namespace orbyx {
namespace {

std::vector<std::vector<double>> read_csv_rows(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::vector<double>> rows;
    std::string line;
    bool header_seen = false;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (!header_seen) {
            EXPECT_EQ(line, "nl,nlp,nf,nd,nom,ps,pst,pc,ec,ect,es");
            header_seen = true;
            continue;
        }
        std::vector<double> values;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, ',')) values.push_back(std::stod(field));
        rows.push_back(values);
    }
    return rows;
}

TEST(Iau2000bTable, EveryTermMatchesThePublishedFile) {
    const auto rows = read_csv_rows(ORBYX_TEST_DATA_DIR "/iau2000b_luni_solar.csv");
    ASSERT_EQ(rows.size(), IAU2000B_LUNI_SOLAR_TERMS.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LuniSolarTerm& term = IAU2000B_LUNI_SOLAR_TERMS[i];
        const std::vector<double> compiled = {
            double(term.nl), double(term.nlp), double(term.nf), double(term.nd), double(term.nom),
            term.ps,         term.pst,         term.pc,         term.ec,         term.ect,
            term.es};
        EXPECT_EQ(rows[i], compiled) << "term " << i;
    }
}

}  // namespace
}  // namespace orbyx
