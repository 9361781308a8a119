# Draws beta-densities.png: the detection probabilities of species under kelvaro-plan's
# --heterogeneity K, Beta(MEAN*K, (1-MEAN)*K) with MEAN = 0.2, for K = 1, 4 and 20.
# Run from this folder: Rscript --vanilla beta-densities.R
mean <- 0.2
ks <- c(1, 4, 20)
colours <- c("#b2182b", "#2166ac", "#1b7837")
p <- seq(0.001, 0.999, length.out = 999)
png("beta-densities.png", width = 800, height = 520, res = 110)
par(mar = c(4.5, 4.5, 3, 1))
plot(NA, xlim = c(0, 1), ylim = c(0, 9), xlab = "detection probability p per site",
     ylab = "density among species", main = "Heterogeneity K with mean detection 0.2")
for (i in seq_along(ks)) {
  k <- ks[i]
  lines(p, dbeta(p, mean * k, (1 - mean) * k), col = colours[i], lwd = 2.5)
}
abline(v = mean, lty = 2, col = "grey40")
# The middle 80% of species (10% and 90% quantiles of the Beta) in each legend line.
legend("topright", bty = "n", lwd = 2.5, col = colours, bg = "white",
       legend = c("K = 1: 80% of species between p = 0.000 and 0.70",
                  "K = 4: between 0.017 and 0.47",
                  "K = 20: between 0.095 and 0.32"))
dev.off()
