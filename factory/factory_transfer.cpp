// Moving table data from the host's document provider into the factory's buffer and out again.
#include "factory/factory.h"

namespace vex {

STDMETHODIMP CVEX_Factory::getMethodParamAsString(BSTR, LONG, VARIANT, BSTR*) {
    return E_NOTIMPL;
}

STDMETHODIMP CVEX_Factory::metaSource(VARIANT*) {
    return E_NOTIMPL;
}

STDMETHODIMP CVEX_Factory::dp_table_identifier(BSTR, BSTR, BSTR, LONG*) {
    return E_NOTIMPL;
}

STDMETHODIMP CVEX_Factory::get_dp_table(BSTR, VARIANT*) {
    return E_NOTIMPL;
}

} // namespace vex
