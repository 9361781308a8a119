# Runs on a long table of records, one row per record (a sample's site and a species, with a
# count): the data frame read by the library as kelvaro-batch reads a long table file, its pairs
# made and every pair analysed as kelvaro-batch makes and analyses them, into the tables of a
# grouped run (kelvaro_groups). A reader of another format that fills the same table in the
# library gives its survey to long_fit() below.

kelvaro_long <- function(data, group, sample, site, species, count, pairs = "consecutive",
                         nreps = 50, seed = NULL, range_adjust = TRUE, threads = NULL,
                         na_absent = FALSE, fold_case = FALSE) {
  call <- match.call()
  if (!is.data.frame(data)) {
    refuse(sprintf(paste0("data must be a data frame of records, one row per record (sample, ",
                          "site, species and, optionally, group and count), not %s"),
                   if (is.null(data)) "NULL" else sprintf("a %s", class(data)[1L])))
  }
  options <- run_options(nreps, if (length(seed) == 1L) seed, range_adjust, FALSE)
  if (identical(options$seed, 0L)) {
    refuse("seed = 0 would take every pair's seed from the clock: give NULL (drawn from R's ",
           "random numbers), a seed such as 400, or a run's $seed")
  }
  check_threads(threads)
  for (flag in c("na_absent", "fold_case")) {
    if (!is_flag(get(flag))) refuse(flag, " must be TRUE or FALSE")
  }
  env <- parent.frame()
  column <- function(role, given, expr) {
    if (given) long_column(data, expr, env, role) else default_column(data, role)
  }
  roles <- list(group = column("group", !missing(group), substitute(group)),
                sample = column("sample", !missing(sample), substitute(sample)),
                site = column("site", !missing(site), substitute(site)),
                species = column("species", !missing(species), substitute(species)),
                count = if (missing(count)) count_column(data) else
                  long_column(data, substitute(count), env, "count"))
  for (role in c("sample", "site", "species")) {
    if (is.null(roles[[role]])) refuse(role, " = NULL: every record needs a ", role)
  }
  used <- unlist(roles)
  if (anyDuplicated(used)) {
    k <- used[anyDuplicated(used)]
    refuse(sprintf("column %d (\"%s\") is given as both %s", k, names(data)[k],
                   paste(names(used)[used == k], collapse = " and ")))
  }
  table <- c(list(name = table_name(substitute(data))),
             lapply(stats::setNames(names(roles), names(roles)), function(role) {
               k <- roles[[role]]
               if (!is.null(k)) coded_column(data[[k]], names(data)[k], k, role)
             }))
  read <- .read_long(table, na_absent, fold_case)
  if (read$status != 0L) {
    refuse("kelvaro_long: ", sub("give --na-absent", "give na_absent = TRUE", read$message,
                                 fixed = TRUE))
  }
  warn_long_table(read)
  levels_of <- function(k) if (!is.null(k) && is.factor(data[[k]])) levels(data[[k]])
  order <- list(group = levels_of(roles$group), sample = levels_of(roles$sample))
  long_fit(read$survey, !is.null(roles$group), pairs, order, options, seed, threads, call)
}

check_threads <- function(threads) {
  if (!is.null(threads) && !is_whole_number(threads, 1, 1024)) {
    refuse("threads must be a whole number from 1 to 1024 (NULL: the machine's cores)")
  }
}

# The pairs of a survey read by the library (grouped: it has groups of sites), analysed into a
# grouped run. order: a factor's levels for the groups and samples, which come first in that
# order; other labels in kelvaro-batch's order.
long_fit <- function(survey, grouped, pairs, order, options, seed, threads, call) {
  if (is.character(pairs) && length(pairs) == 1L && !is.na(pairs)) {
    rule <- choose_one(pairs, c("consecutive", "all", "first"), "pairs",
                       " (or a data frame of pairs)")
    listed <- list(group = character(), sample1 = character(), sample2 = character())
  } else if (is.data.frame(pairs)) {
    rule <- ""
    listed <- listed_pairs(pairs, NULL, grouped)
  } else {
    refuse("pairs must be \"consecutive\", \"all\", \"first\" or a data frame of pairs ",
           "(sample1, sample2 and, with groups of sites, group)")
  }
  made <- .long_pairs(survey, rule, listed$group, listed$sample1, listed$sample2,
                      as.character(order$group), as.character(order$sample))
  todo <- made$pairs
  if (nrow(todo) == 0L) {
    refuse("no pair of samples to analyse: every group has a single sample")
  }
  seeds <- pair_seeds(seed, options, nrow(todo))
  fault <- test_fault()
  outcomes <- .analyse_long(survey, seeds$seeds, options$nreps, options$range_adjust,
                            if (is.null(threads)) 0L else as.integer(threads), fault$kind,
                            as.integer(fault$pair))
  todo$seed <- seeds$seeds
  options$samples <- made$samples
  options$seed <- if (seeds$single) seeds$seeds[1L] else seeds$seeds
  grouped_result(todo, outcomes, vector("list", nrow(todo)), grouped, options, call)
}

# The column an argument names: a bare name (sample = Year), a string ("Year"), a variable that
# holds one, or a column number; NULL for none. Names are matched as kelvaro-batch matches a
# header's (exactly, else with ASCII case and blanks around them ignored).
long_column <- function(data, expr, env, arg) {
  if (is.null(expr)) return(NULL)
  if (is.symbol(expr)) {
    k <- find_column(names(data), as.character(expr), arg)
    if (!is.na(k)) return(k)
    value <- tryCatch(eval(expr, env), error = function(e) NULL)
    if (!(is.character(value) && length(value) == 1L)) {
      refuse(sprintf("%s = %s: data has no column %s (its columns: %s)", arg, as.character(expr),
                     as.character(expr), column_list(data)))
    }
    expr <- value
  } else {
    expr <- eval(expr, env)
  }
  if (is.null(expr)) return(NULL)
  if (is.character(expr) && length(expr) == 1L && !is.na(expr)) {
    k <- find_column(names(data), expr, arg)
    if (is.na(k)) {
      refuse(sprintf("%s = \"%s\": data has no such column (its columns: %s)", arg, expr,
                     column_list(data)))
    }
    return(k)
  }
  if (is_whole_number(expr, 1, ncol(data))) return(as.integer(expr))
  refuse(sprintf(paste0("%s must name a column of data: a name (%s = Year), a string or a ",
                        "column number from 1 to %d"), arg, arg, ncol(data)))
}

# The column called `name`: exactly, else with ASCII case and blanks around names ignored; NA
# when none; refused when two match.
find_column <- function(columns, name, arg) {
  exact <- which(columns == name)
  if (length(exact) == 1L) return(exact)
  fold <- function(x) tolower(trimws(x, whitespace = "[ \t]"))
  loose <- if (length(exact) == 0L) which(fold(columns) == fold(name)) else exact
  if (length(loose) > 1L) {
    refuse(sprintf("%s: data has %d columns called \"%s\" (columns %s); rename all but one", arg,
                   length(loose), name, paste(loose, collapse = ", ")))
  }
  if (length(loose) == 0L) NA_integer_ else loose
}

column_list <- function(data) {
  shown <- utils::head(names(data), 8L)
  paste0(paste(sprintf("\"%s\"", shown), collapse = ", "), if (ncol(data) > 8L) ", ..." else "")
}

# A role's column when its argument is not given: the column of its name (none for a group).
default_column <- function(data, role) {
  k <- find_column(names(data), role, role)
  if (!is.na(k) || role == "group") return(if (is.na(k)) NULL else k)
  refuse(sprintf("data has no column \"%s\": name the %s column with %s = (its columns: %s)",
                 role, role, role, column_list(data)))
}

# The count column when count is not given: count, detected or abundance, as kelvaro-batch
# finds it; none when data has none of them (every record is then a detection).
count_column <- function(data) {
  found <- Filter(Negate(is.na), lapply(c("count", "detected", "abundance"), function(name) {
    find_column(names(data), name, "count")
  }))
  if (length(found) > 1L) {
    refuse(sprintf(paste0("data has two columns that may say whether a species was detected, ",
                          "\"%s\" and \"%s\": name the one to use with count ="),
                   names(data)[found[[1L]]], names(data)[found[[2L]]]))
  }
  if (length(found) == 1L) found[[1L]]
}

# The table's name in messages: the data argument as written when it is a name.
table_name <- function(expr) if (is.symbol(expr)) as.character(expr) else "data"

# A data frame column coded as a factor is (codes from 0), for the library: each value's text as
# a file would hold it (numbers in full, without exponents), a missing value as the library
# takes it ("NA" for a count, else empty, which it refuses but for a species that was not
# detected).
coded_column <- function(x, name, position, role) {
  if (is.factor(x)) {
    labels <- levels(x)
    codes <- as.integer(x) - 1L
  } else if (is.atomic(x) && is.null(dim(x))) {
    values <- unique(x[!is.na(x)])
    codes <- match(x, values) - 1L
    # formatC pads a vector's values to one width: the labels are the numbers alone.
    labels <- if (is.double(values)) trimws(formatC(values, format = "fg", digits = 15L)) else
      as.character(values)
  } else {
    refuse(sprintf("column %d (\"%s\", the %s) holds %s, not labels or counts", position, name,
                   role, class(x)[1L]))
  }
  if (anyNA(codes)) {
    codes[is.na(codes)] <- length(labels)
    labels <- c(labels, if (role == "count") "NA" else "")
  }
  list(name = name, position = position, codes = codes, labels = enc2utf8(labels))
}

# What kelvaro-batch says of a table after reading it: names that differ only in case, and
# sample labels that are the same number written differently.
warn_long_table <- function(read, who = "kelvaro_long") {
  v <- read$variants
  if (nrow(v) > 0L) {
    kelvaro_warn(sprintf(paste0("%s: %d pair(s) of species or site names differ only ",
                                "in case or blanks around them and count as different names, ",
                                "such as %s \"%s\" (%s) and \"%s\" (%s); give fold_case = TRUE ",
                                "to take them as one"),
                         who, nrow(v), v$kind[1L], v$first[1L], v$first_place[1L], v$other[1L],
                         v$other_place[1L]), "case_differs")
  }
  same <- read$same_numbers
  if (nrow(same) > 0L) {
    kelvaro_warn(sprintf(paste0("%s: %d sample label(s) are the same number as ",
                                "another written differently and count as different samples, ",
                                "such as \"%s\" and \"%s\"; write them alike if they are one"),
                         who, nrow(same), same$first[1L], same$other[1L]), "same_number")
  }
}
