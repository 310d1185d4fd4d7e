#include "script/Script.h"

#include "data/ORBIO.h"
#include "script/Engine.h"

#include <filesystem>

ScriptFile ScriptFileOf(const std::string& path)
{
    ScriptFile file;
    file.path = path;
    file.name = std::filesystem::u8path(path).filename().u8string();
    for (int n = 0; n <= 99 && file.number < 0; ++n)
        if (SameNameIgnoringCase(file.name, OrbFileName(n).c_str()))
            file.number = n;
    return file;
}

ScriptRun RunScript(const std::string& name, const std::string& text, const OrbData& orb, const ScriptFile& file,
                    const std::vector<std::string>& args, const ScriptLimits& limits)
{
    ScriptRun run;
    run.tables = orb;
    orbscript::Engine engine(name, limits, file, args);
    engine.data().tables = &run.tables;
    const orbscript::Engine::Outcome outcome = engine.runChunk(text);
    run.ok = outcome.ok;
    run.output = std::move(engine.data().output);
    for (const orbscript::StateRule& r : engine.data().rules)
        run.rules.push_back(r.declared);
    if (!run.ok) {
        run.tables = orb;  // all or nothing
        run.error = outcome.error;
        run.line = outcome.line;
    }
    return run;
}
