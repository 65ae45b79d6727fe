#include "tools/corvex/curve_command.h"

#include "tools/corvex/engine_session.h"
#include "tools/corvex/number_format.h"
#include "tools/corvex/static_curve.h"
#include "tools/corvex/text_file_writer.h"

namespace corvex::tool
{

namespace
{

constexpr int kLowestInputDb = -60;
constexpr int kHighestInputDb = 0;

struct CurveColumn
{
    std::string name;
    std::vector<ParameterSetting> settings;
};

std::vector<CurveColumn> curveColumns(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                                      const std::vector<ParameterSetting>& settings)
{
    for (const ParameterSetting& setting : settings)
    {
        if (setting.parameterId == kParamRatio)
        {
            char text[65] = {};
            engine.getValueText(kParamRatio, setting.normalizedValue, text, 64);
            return {{std::string("ratio_") + text, settings}};
        }
    }
    std::vector<CurveColumn> columns;
    for (const host::ParameterChoice& choice : parameters[kParamRatio].choices)
    {
        std::vector<ParameterSetting> columnSettings = settings;
        columnSettings.push_back({kParamRatio, choice.normalizedValue});
        columns.push_back({"ratio_" + choice.text, std::move(columnSettings)});
    }
    return columns;
}

} // namespace

void writeCurveCsv(const std::filesystem::path& csv, const EngineSession& session,
                   const std::vector<ParameterSetting>& settings)
{
    TextFileWriter file(csv);
    const std::vector<CurveColumn> columns = curveColumns(*session.engine, session.parameters, settings);
    std::string header = "input_dbfs";
    for (const CurveColumn& column : columns)
        header += "," + column.name;
    file.writeLine(header);
    for (int inputDb = kLowestInputDb; inputDb <= kHighestInputDb; ++inputDb)
    {
        std::string row = std::to_string(inputDb);
        for (const CurveColumn& column : columns)
            row += "," + formatFixed(steadyStateOutputDb(column.settings, inputDb), 3);
        file.writeLine(row);
    }
    file.finish();
}

void runCurveCommand(const std::filesystem::path& csv, const std::vector<std::string>& displaySettings,
                     const std::vector<std::string>& normalizedSettings)
{
    EngineSession session = openEngineSession();
    const std::vector<ParameterSetting> settings =
        parseParameterSettings(*session.engine, session.parameters, displaySettings, normalizedSettings);
    writeCurveCsv(csv, session, settings);
}

} // namespace corvex::tool
