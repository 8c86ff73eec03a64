// A spreadsheet cell's value as the sheet shows it: a sheet keeps numbers as
// they are computed (0.92419220000000002, the day 45399) and a style says how
// they are shown (0.9241922, 2024-04-17, 1,234.50, 12.5%). The styles part
// (xl/styles.xml) gives each cell style's number format; the common formats
// are followed: general, fixed decimals, thousands, percent and dates. Other
// formats show the number in general form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph::content {

class SheetCells {
public:
    // Reads the number formats of a styles part (nothing: every style general).
    void readStyles(std::string_view stylesXml);
    // The text a number cell of the style shows.
    std::string shown(std::string_view value, int style) const;

    struct Format {
        bool date = false, time = false;
        bool percent = false, thousands = false, fixed = false;
        int decimals = 0;
    };
    static Format formatOf(int id, std::string_view code);

private:
    std::vector<Format> m_styles;
};

}  // namespace zeph::content
