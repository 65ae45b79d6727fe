#pragma once

namespace corvex::tool
{

// corvex params: prints a table of every parameter with its identifier, name,
// unit, default (text or display value) and range or choices.
void runParamsCommand();

} // namespace corvex::tool
