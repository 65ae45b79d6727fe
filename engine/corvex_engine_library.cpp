// The shared library's own translation unit: everything, including the exported
// createCorvexEngine, comes from the model library linked in whole.
