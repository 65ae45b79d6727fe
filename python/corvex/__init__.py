"""Corvex for Python: the Corvex feedback compressor/limiter on numpy arrays and audio files.

    import corvex
    c = corvex.Compressor(ratio="12", input_gain=-14.0, sc_detection_mode="Linked")
    y = c.process(x, 48000)                              # x: (frames,) or (frames, channels)
    y, meters = c.process(x, 48000, sidechain=s, meters=True)
    corvex.process_files(paths, "out", jobs=2, preset="Drum Bus Glue")

The output is the same float32 bits as `corvex process` gives, on every machine.
See help(corvex.Compressor), help(corvex.process_file), help(corvex.process_files).
"""

from corvex._compressor import Compressor, Meters
from corvex._corvex import __version__, factory_presets, parameter_names
from corvex._files import process_file, process_files

__all__ = ["Compressor", "Meters", "factory_presets", "parameter_names", "process_file", "process_files"]
