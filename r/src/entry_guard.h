#pragma once
// What every entry point of the package does with an exception: an R interrupt stays an
// interrupt, an R error stays that error, and any other C++ exception becomes an R error whose
// message starts with `who` ("kelvaro: not enough memory for this run"). No exception reaches
// R's C code, so no input can bring the R session down.

#include <Rcpp.h>

#include <new>
#include <string>

template <typename Run>
Rcpp::List guarded(const std::string& who, Run run) {
  try {
    return run();
  } catch (const Rcpp::internal::InterruptedException&) {
    throw;  // Rcpp's wrapper turns it into an R interrupt
  } catch (const Rcpp::exception&) {
    throw;
  } catch (const Rcpp::LongjumpException&) {
    throw;  // an R error or interrupt in R code the entry called: Rcpp's wrapper resumes it
  } catch (const std::bad_alloc&) {
    Rcpp::stop(who + ": not enough memory for this run");
  } catch (const std::exception& e) {
    Rcpp::stop(who + ": internal error: " + e.what());
  } catch (...) {
    Rcpp::stop(who + ": internal error (an unknown exception)");
  }
}
