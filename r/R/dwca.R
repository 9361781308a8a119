# Runs on a Darwin Core archive: the archive read by the library's Darwin Core reader into a
# long table (group, sample, site, species, count), as kelvaro-batch reads one, and that table's
# pairs analysed as kelvaro_long() analyses a data frame's. R lists a folder or a zip's entries
# and parses the XML (with xml2) when the reader asks for it; the reader holds every rule.

kelvaro_dwca <- function(path, group = NULL, sample = NULL, site = NULL, species = NULL,
                         count = NULL, taxon_id = FALSE, species_rank_only = FALSE,
                         pairs = "consecutive", nreps = 50, seed = NULL, range_adjust = TRUE,
                         threads = NULL, fold_case = FALSE) {
  call <- match.call()
  if (!is.character(path) || length(path) != 1L || is.na(path) || !nzchar(path)) {
    refuse("path must be the path of a Darwin Core Archive: a zip file, or a folder holding ",
           "its meta.xml or its tables")
  }
  terms <- list(group = group, sample = sample, site = site, species = species, count = count)
  for (role in names(terms)) {
    x <- terms[[role]]
    if (is.null(x)) {
      terms[[role]] <- ""
    } else if (!is.character(x) || length(x) != 1L || is.na(x) || !nzchar(x)) {
      refuse(sprintf(paste0("%s must be a Darwin Core term, such as %s = \"%s\" (NULL: the ",
                            "default, %s)"), role, role, dwca_example_terms[[role]],
                     dwca_default_terms[[role]]))
    }
  }
  for (flag in c("taxon_id", "species_rank_only", "fold_case")) {
    if (!is_flag(get(flag))) refuse(flag, " must be TRUE or FALSE")
  }
  options <- run_options(nreps, if (length(seed) == 1L) seed, range_adjust, FALSE)
  if (identical(options$seed, 0L)) {
    refuse("seed = 0 would take every pair's seed from the clock: give NULL (drawn from R's ",
           "random numbers), a seed such as 400, or a run's $seed")
  }
  check_threads(threads)
  read <- read_dwca(path, c(terms, list(taxon_id = taxon_id,
                                         species_rank_only = species_rank_only)), fold_case)
  fit <- long_fit(read$survey, TRUE, pairs, list(group = NULL, sample = NULL), options, seed,
                  threads, call)
  fit$source <- read$source
  fit
}

dwca_default_terms <- list(group = "locationID", sample = "year", site = "eventID",
                           species = "scientificName (taxonID with taxon_id = TRUE)",
                           count = "individualCount, then organismQuantity, then presence")
dwca_example_terms <- list(group = "locality", sample = "eventDate", site = "locationID",
                           species = "taxonID", count = "organismQuantity")

# The archive at `path` read into a survey (the list .read_dwca gives), its warnings raised;
# refused with the reader's message.
read_dwca <- function(path, options, fold_case) {
  info <- file.info(path)
  if (is.na(info$isdir)) {
    refuse(sprintf("kelvaro_dwca: %s: no such file or folder", path))
  }
  entries <- if (isTRUE(info$isdir)) list() else zip_entries(path)
  read <- .read_dwca(path, if (isTRUE(info$isdir)) path, entries, xml_tree, options, fold_case)
  if (read$status != 0L) refuse("kelvaro_dwca: ", r_argument_names(read$message))
  for (i in seq_len(nrow(read$source$warnings))) {
    w <- read$source$warnings[i, ]
    kelvaro_warn(sprintf("kelvaro_dwca: %s: %s", read$source$archive,
                         r_argument_names(w$message)), w$kind)
  }
  warn_long_table(read, "kelvaro_dwca")
  read
}

# The reader's messages name kelvaro-batch's options; these are the function's arguments.
r_argument_names <- function(message) {
  message <- gsub("--species-rank-only", "species_rank_only = TRUE", message, fixed = TRUE)
  message <- gsub("--taxon-id", "taxon_id = TRUE", message, fixed = TRUE)
  message <- gsub("--(group|sample|site|species|count) \"", "\\1 = \"", message)
  gsub("--(group|sample|site|species|count)\\b", "the argument \\1", message)
}

# A zip file's entries as raw vectors named by their entry names, read straight from the zip
# (nothing is written to disk, so no entry can reach outside a folder); names that would reach
# outside the archive are handed over empty, for the reader to leave out with a warning.
# Refuses a file that is not a zip, and one whose entries would inflate to more than deflate
# can compress (a zip bomb).
zip_entries <- function(path) {
  con <- file(path, "rb")
  magic <- readBin(con, "raw", 4L)
  close(con)
  zip <- length(magic) == 4L && magic[1L] == as.raw(0x50) && magic[2L] == as.raw(0x4b) &&
    ((magic[3L] == as.raw(3L) && magic[4L] == as.raw(4L)) ||
       (magic[3L] == as.raw(5L) && magic[4L] == as.raw(6L)))
  if (!zip) {
    refuse(sprintf(paste0("kelvaro_dwca: %s is not a Darwin Core Archive: give a zip file, or ",
                          "a folder holding its meta.xml or its tables (a long table is read ",
                          "with kelvaro_long())"), path))
  }
  if (magic[3L] == as.raw(5L)) {
    refuse(sprintf("kelvaro_dwca: %s: an empty zip file; an archive holds its tables", path))
  }
  listed <- tryCatch(utils::unzip(path, list = TRUE), error = function(e) e,
                     warning = function(w) w)
  if (inherits(listed, "condition")) {
    refuse(sprintf("kelvaro_dwca: %s: a damaged zip file (%s)", path, conditionMessage(listed)))
  }
  listed <- listed[!grepl("/$", listed$Name), ]
  # Deflate compresses at most about 1032 to 1: more than 1100 times the zip's size (and more
  # than 1 MiB) is a zip bomb, as the programs judge it.
  inflated <- sum(as.numeric(listed$Length))
  if (inflated > max(1100 * file.size(path), 2^20)) {
    refuse(sprintf(paste0("kelvaro_dwca: %s: its entries would inflate to %.0f bytes, more than ",
                          "1100 times the zip's size; a zip file cannot hold that (a zip bomb?)"),
                   path, inflated))
  }
  if (any(listed$Length > .Machine$integer.max)) {
    refuse(sprintf(paste0("kelvaro_dwca: %s: an entry of more than 2 GiB; unzip the archive ",
                          "and give its folder"), path))
  }
  entries <- lapply(seq_len(nrow(listed)), function(i) {
    name <- listed$Name[i]
    if (!plain_entry_name(name)) return(raw())
    con <- unz(path, name, "rb")
    on.exit(close(con))
    bytes <- readBin(con, "raw", listed$Length[i] + 1)
    if (length(bytes) != listed$Length[i]) {
      refuse(sprintf("kelvaro_dwca: %s/%s: its bytes are not the %.0f its zip entry says",
                     path, name, listed$Length[i]))
    }
    bytes
  })
  stats::setNames(entries, listed$Name)
}

# Whether a zip entry's name stays inside the archive (no absolute path, no ".." part). Entries
# that do not are handed over empty: the reader leaves them out by the same rule and says so.
plain_entry_name <- function(name) {
  parts <- strsplit(gsub("\\\\", "/", name), "/", fixed = TRUE)[[1L]]
  !grepl("^(/|\\\\|[A-Za-z]:)", name) && !any(parts == "..")
}

# An XML file's bytes as the element tree the reader takes (list(name, attributes, children,
# text): names without their namespace prefix, text as xml2's xml_text() gives it), or
# list(error = <why>) when it cannot be parsed. Documents without a byte-order mark that are not
# UTF-8 are read as Windows-1252, as the programs read them; entities defined in a document type
# declaration are not expanded.
xml_tree <- function(bytes) {
  if (!requireNamespace("xml2", quietly = TRUE)) {
    return(list(error = paste0("reading it needs the R package xml2: ",
                               "install.packages(\"xml2\")")))
  }
  marked <- (length(bytes) >= 2L && (identical(bytes[1:2], as.raw(c(0xff, 0xfe))) ||
                                       identical(bytes[1:2], as.raw(c(0xfe, 0xff))))) ||
    (length(bytes) >= 3L && identical(bytes[1:3], as.raw(c(0xef, 0xbb, 0xbf))))
  utf8 <- !any(bytes == as.raw(0L)) && validUTF8(rawToChar(bytes[bytes != as.raw(0L)]))
  encoding <- if (!marked && !utf8) "windows-1252" else ""
  document <- tryCatch(suppressWarnings(xml2::read_xml(bytes, encoding = encoding)),
                       error = function(e) e)
  if (inherits(document, "error")) {
    return(list(error = paste("not well-formed XML:",
                              sub("[.\n ]+$", "", conditionMessage(document)))))
  }
  budget <- 16 * length(bytes) + 2^20
  element <- function(node, depth) {
    if (depth > 64L) stop("elements nested more than 64 deep; no archive's XML is")
    contents <- xml2::xml_contents(node)
    types <- xml2::xml_type(contents)
    children <- list()
    text <- character()
    for (i in seq_along(contents)) {
      if (types[i] == "element") {
        child <- element(contents[[i]], depth + 1L)
        children[[length(children) + 1L]] <- child
        text <- c(text, child$text)
      } else if (types[i] %in% c("text", "cdata")) {
        text <- c(text, xml2::xml_text(contents[[i]]))
      }
    }
    text <- paste(text, collapse = "")
    budget <<- budget - nchar(text, "bytes")
    if (budget < 0) stop("its text nested in many elements takes too much memory")
    attributes <- xml2::xml_attrs(node)
    names(attributes) <- sub("^[^:]*:", "", names(attributes))
    list(name = sub("^[^:]*:", "", xml2::xml_name(node)), attributes = attributes,
         children = children, text = enc2utf8(text))
  }
  tryCatch(element(xml2::xml_root(document), 1L),
           error = function(e) list(error = conditionMessage(e)))
}
