/*
 * Corvex engine: public interface.
 *
 * A feedback compressor/limiter packaged as a dynamic library with one export,
 * createCorvexEngine(). The host creates an engine, sets the sample rate and
 * twenty normalized parameters, streams blocks of 1 to 32 samples through
 * process() from its audio thread, reads six meters and finally deletes the
 * engine through its virtual destructor.
 *
 * This header includes nothing and uses only built-in types, so that any host
 * compiler (C++11 or later) compiles it unchanged.
 */
#ifndef CORVEX_ENGINE_H
#define CORVEX_ENGINE_H

/* CORVEX_ENGINE_STATIC: the engine is linked into the program itself, unmarked. */
#if defined(CORVEX_ENGINE_STATIC)
#  define CORVEX_ENGINE_EXPORT
#elif defined(_WIN32)
#  if defined(CORVEX_ENGINE_BUILDING)
#    define CORVEX_ENGINE_EXPORT __declspec(dllexport)
#  else
#    define CORVEX_ENGINE_EXPORT __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define CORVEX_ENGINE_EXPORT __attribute__((visibility("default")))
#else
#  define CORVEX_ENGINE_EXPORT
#endif

/* Parameter identifiers: valid identifiers are 0 to kNumParameters - 1. */
enum CorvexParameterIds
{
    kParamEnableEffect = 0,
    kParamInputGain = 1,
    kParamOutputGain = 2,
    kParamAttackTime = 3,
    kParamReleaseTime = 4,
    kParamRatio = 5,
    kParamDryWet = 6,
    kParamSideChainDetectionMode = 7,
    kParamSideChainTimeWarp = 8,
    kParamSideChainEqOn = 9,
    kParamSideChainEqHighPassOn = 10,
    kParamSideChainEqLowPassOn = 11,
    kParamSideChainEqHighPassFreq = 12,
    kParamSideChainEqBellFreq = 13,
    kParamSideChainEqBellGain = 14,
    kParamSideChainEqLowPassFreq = 15,
    kParamGainReductionRange = 16,
    kParamExternalSideChainGain = 17,
    kParamExternalSideChain = 18,
    kParamSideChainListen = 19,
    kNumParameters = 20
};

/* Meter identifiers: linear values of the last processed block. */
enum CorvexMeterIds
{
    kMeterGainReduction0 = 0,
    kMeterGainReduction1 = 1,
    kMeterInput0 = 2,
    kMeterInput1 = 3,
    kMeterOutput0 = 4,
    kMeterOutput1 = 5,
    kNumMeters = 6
};

static const int kCorvexMaxBufferSize = 32;     /* most samples per process() call */
static const int kCorvexMaxNumChannels = 2;     /* most channels per process() call */
static const int kCorvexMaxSampleRate = 192000; /* highest accepted sample rate in Hz */

/*
 * Windows hosts are built with MSVC, whose vtable for this class holds one
 * slot for the (scalar deleting) destructor followed by the fourteen
 * operations. GCC and Clang targeting Windows with the Itanium C++ ABI (MinGW)
 * would give the destructor two slots and shift every operation by one. For
 * them the first slot is declared as MSVC's deleting destructor, and the real
 * virtual destructor goes after the operations, where MSVC hosts never look.
 * MSVC, clang-cl and every other platform see the plain declaration.
 */
#if defined(_WIN32) && defined(__GNUC__) && !defined(_MSC_VER)
#  define CORVEX_ENGINE_MSVC_VTABLE_ON_ITANIUM 1
#endif

class CorvexEngine
{
#if defined(CORVEX_ENGINE_MSVC_VTABLE_ON_ITANIUM)
    /* Slot 0 as an MSVC host calls it for "delete engine": destroys the object
       and, when bit 0 of inFlags is set, frees it. */
    virtual void* msvcScalarDeletingDestructor(unsigned int inFlags)
    {
        if (inFlags & 1u)
            delete this;
        else
            this->~CorvexEngine();
        return this;
    }
#endif

public:
#if !defined(CORVEX_ENGINE_MSVC_VTABLE_ON_ITANIUM)
    virtual ~CorvexEngine() {}
#endif

    /* Constant NUL-terminated version text in static storage. */
    virtual const char* getVersion() = 0;
    /* Restores the default normalized values; the audio keeps the last published settings. */
    virtual void resetParameters() = 0;
    /* 1 to kCorvexMaxSampleRate Hz; must come before the first process() and never run concurrently with it. */
    virtual void setSampleRate(int inSampleRate) = 0;
    virtual void setNormalizedValue(int inParameterId, float inNormalizedValue) = 0;
    virtual float getNormalizedValue(int inParameterId) = 0;
    /* Text operations copy like strncpy with the count inMaxLength. */
    virtual void getParameterUnit(int inParameterId, char* outText, int inMaxLength) = 0;
    virtual float getDisplayValue(int inParameterId, float inNormalizedValue) = 0;
    virtual float getCurrentDisplayValue(int inParameterId) = 0;
    virtual void getValueText(int inParameterId, float inNormalizedValue, char* outText, int inMaxLength) = 0;
    virtual void getCurrentValueText(int inParameterId, char* outText, int inMaxLength) = 0;
    virtual void getParameterName(int inParameterId, char* outText, int inMaxLength) = 0;
    /* Audio thread: inNumChannels 1 or 2, inNumSamples 1 to 32; sideChainBuffer and its channels may be null. */
    virtual void process(const float* const* inBuffer, float* const* outBuffer, const float* const* sideChainBuffer,
                         int inNumChannels, int inNumSamples) = 0;
    virtual float getMeterValue(int inMeterId) = 0;
    /* The engine's fixed delay of 5 ms in samples. */
    virtual int getLatencySamples() = 0;
#if defined(CORVEX_ENGINE_MSVC_VTABLE_ON_ITANIUM)
    virtual ~CorvexEngine() {}
#endif
};

extern "C" CORVEX_ENGINE_EXPORT CorvexEngine* createCorvexEngine();

#endif /* CORVEX_ENGINE_H */
